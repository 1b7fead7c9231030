#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace qv::db {
class FbConnection;
}

namespace qv::language {

// The fifteen shared texts that buttons and dialogs of many pages use.
struct SpeechTexts {
    QString TEXT_SAVE, TEXT_DELETE, TEXT_OK, TEXT_ERROR, TEXT_CONNECT, TEXT_DISCONNECT, TEXT_START, TEXT_STOP,
        TEXT_CREATE, TEXT_CONFIRM, TEXT_LOGIN, TEXT_LOGOUT, TEXT_ABORT, TEXT_STATUS_CONNECT,
        TEXT_STATUS_NOT_CONNECT;

    // Fills the fields from a lookup (tag -> text), in the fixed order.
    template <typename Lookup>
    void fill(Lookup &&text)
    {
        TEXT_SAVE = text(1000);
        TEXT_DELETE = text(1010);
        TEXT_OK = text(1020);
        TEXT_ERROR = text(1030);
        TEXT_CONNECT = text(1040);
        TEXT_DISCONNECT = text(1050);
        TEXT_START = text(1060);
        TEXT_STOP = text(1070);
        TEXT_CREATE = text(1080);
        TEXT_CONFIRM = text(1100);
        TEXT_LOGIN = text(1110);
        TEXT_LOGOUT = text(1120);
        TEXT_ABORT = text(1150);
        TEXT_STATUS_CONNECT = text(1130);
        TEXT_STATUS_NOT_CONNECT = text(1140);
    }
};

// Reads the text table: one column per language, named code + "_".
class SpeechTable {
public:
    explicit SpeechTable(db::FbConnection &connection) : m_connection(connection) {}

    // The text of a tag in a language; reads the table at every call. A tag
    // without a row gives "Error[S=<tag>]"; an empty or null text is empty.
    QString GetSpeechText(const QString &speech, int tag);
    static QString missingText(int tag);

    // All texts of a language in one statement (same result as asking for
    // every tag in turn).
    QMap<int, QString> allTexts(const QString &speech);

    // The language column names in table order ("DE_", "EN_", ...). Errors
    // are swallowed: an unreadable table gives an empty list.
    QStringList languageColumns();

    // "DE_" -> "DE"
    static QString codeOfColumn(const QString &column);

private:
    db::FbConnection &m_connection;
};

} // namespace qv::language
