#pragma once

#include "db/TUsername.h"

#include <QDate>
#include <QStringList>

namespace qv::db {

class FbConnection;

// The workstation's SETTINGS row as loaded: the record fields, and the
// option values that controls of the order, export, label and update pages
// show.
struct WorkstationRow {
    bool created = false; // the row did not exist and was inserted
    int orderNumberZero = 0;
    int orderPreselection = 1;
    int orderQuality = 1;
    int orderPosition = 0;
    int orderText = 0;
    int exportHeadline = 1;
    int exportSeparator = 3;
    int pelvor = 0;
    int barcode = 0;
    int updateCheck = 0;
    int updateInterval = 7;
};

class WorkstationSettings {
public:
    struct Environment {
        QString userName;       // operating-system user name
        QString systemLanguage; // two capitals
        QDate today;
    };

    explicit WorkstationSettings(FbConnection &connection) : m_connection(connection) {}

    // Loads the row of settings.WorkstationKey into settings, or creates it
    // with the start values when the workstation has none. languageColumns is
    // the text table's language list ("DE_", "EN_", ...): a language without
    // its column falls back to "EN".
    WorkstationRow LoadWorkstationSettings(TUsername &settings, const QStringList &languageColumns,
                                           const Environment &env);

    // Loads the shared administration row (backup and printing options).
    // Returns false when the row is missing; settings keep their start values.
    bool LoadAdministrationSettings(TUsername &settings, const QDate &today);

private:
    FbConnection &m_connection;
};

} // namespace qv::db
