#pragma once

#include <QDateTime>
#include <QString>

namespace qv::db {

// Display unit: quantities are stored in litres and shown in this unit.
struct TUmrechnungsEinheit {
    QString Einheit = QStringLiteral("ltr"); // "ltr", "gal", "pt", "qt"
    QString Faktor = QStringLiteral("1");    // the factor as text, spliced into SQL
    double FaktorZahl = 1.0;
    int Nachkommastellen = 2;                  // 0..3 (a stored other value shows 2)
    QString Ausgabeformat = QStringLiteral("0.00");

    // Sets unit and factor from a unit name (case-insensitive); anything
    // unknown is litres.
    void setUnit(const QString &unit);
    // Sets the display format from the stored decimals; other values give "0.00".
    void setDecimals(int decimals);
};

enum class TAdminOrderCheck { oCheck = 0, oAllowAll = 1, oDenyAll = 2 };

struct TUserBackup {
    bool ActiveBackup = false;
    QString BackupDirectory;
    QDateTime LastBackup;
};

struct TPrinting {
    bool Active = false;
    bool Autoprinting = false;
    bool DefaultPrinter = true;
    QString Printer;
    int Number = 1;
};

// The one settings record of the running program.
struct TUsername {
    QString Username;
    QString Passwort;
    QString WorkstationKey;
    QString Speech = QStringLiteral("EN");
    TUmrechnungsEinheit Einheit;
    int OrderCheckValue = 1; // as stored; OrderCheck() maps it
    QDateTime LastUpdateCheck;
    TUserBackup Backup;
    TPrinting Printing;

    TAdminOrderCheck OrderCheck() const { return static_cast<TAdminOrderCheck>(OrderCheckValue); }
};

} // namespace qv::db
