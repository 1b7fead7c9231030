#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

namespace qv::db {

class FbConnection;

// Brings an older database up to the current schema version: databases of
// version 601 lack the printing feature (the PRINTED column, the printing
// options of the administration row, the schedule table and their texts).
class SchemaUpgrade {
public:
    static constexpr int CurrentVersion = 603;

    struct Step {
        QString sql;
        QString logPrefix; // "ALTER # ", "UPDATE # " or "CREATE # "
    };
    struct Text {
        int tag;
        QString german;
        QString english;
    };

    // Statements that add the printing objects, in order. The database creator
    // runs the same ones, so a new database and an upgraded one look alike.
    static const QVector<Step> &printingSteps();
    // The texts the printing feature adds.
    static const QVector<Text> &printingTexts();

    using ErrorLog = std::function<void(const QString &line)>;

    SchemaUpgrade(FbConnection &connection, ErrorLog errorLog);

    // Reads the stored version, upgrades when it is older than 602 and stores
    // the current version when it is 602 or less.
    void checkSchemaVersion();
    void upgradeSchema();
    int storedVersion();

    // Builds the insert of one text row for the given language columns
    // (German first, English for every further language).
    static QString textInsert(const QStringList &languageColumns, const Text &text);

private:
    FbConnection &m_connection;
    ErrorLog m_errorLog;
};

} // namespace qv::db
