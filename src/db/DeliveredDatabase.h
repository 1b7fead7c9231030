#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace qv::db {

class FbConnection;

// Writes the database a new installation starts with: every table, the
// status rows, the administration row, the pre-filled master data and the
// display texts.
class DeliveredDatabase {
public:
    struct Texts {
        QMap<int, QString> german;
        QMap<int, QString> english;
    };

    // Creates PATH (which must not exist) at the given schema version: 603 is
    // the current shape; 601 leaves out the printing objects and their texts,
    // as databases of the previous program version had them.
    static void create(const QString &path, const Texts &texts, int schemaVersion = 603);

    // Statements that make the tables of a version-601 database.
    static QStringList baseTables();
    static QStringList indexes();
    static QStringList triggers();
};

} // namespace qv::db
