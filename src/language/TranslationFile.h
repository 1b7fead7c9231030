#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace qv::language {

// The text exchange file: the language code on the first line, then one
// "tag=text" line per text. Lines end with CR LF. Files with a UTF-8 or UTF-16
// byte-order mark are read as such, others as the 8-bit Windows code page.
struct TranslationFile {
    QString languageCode;
    QMap<int, QString> texts;

    // Splits raw file content into lines, honouring the byte-order mark.
    static QStringList decodeLines(const QByteArray &content);
    // Parses a whole file; lines without a numeric tag are skipped.
    static TranslationFile parse(const QByteArray &content);
    static TranslationFile read(const QString &path); // throws std::runtime_error
};

} // namespace qv::language
