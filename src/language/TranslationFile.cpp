#include "language/TranslationFile.h"

#include <QFile>
#include <QStringDecoder>

#include <stdexcept>

namespace qv::language {

namespace {

// Windows-1252 differs from Latin-1 in 0x80..0x9F only.
QString fromWindows1252(const QByteArray &bytes)
{
    static const char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString s;
    s.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        s += (b >= 0x80 && b < 0xA0) ? QChar(high[b - 0x80]) : QChar(b);
    }
    return s;
}

} // namespace

QStringList TranslationFile::decodeLines(const QByteArray &content)
{
    QString text;
    if (content.startsWith("\xEF\xBB\xBF"))
        text = QString::fromUtf8(content.mid(3));
    else if (content.startsWith("\xFF\xFE") || content.startsWith("\xFE\xFF"))
        text = QStringDecoder(QStringDecoder::Utf16).decode(content);
    else
        text = fromWindows1252(content);
    if (!text.isEmpty() && text.front() == QChar(0xFEFF))
        text.remove(0, 1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

TranslationFile TranslationFile::parse(const QByteArray &content)
{
    TranslationFile file;
    const QStringList lines = decodeLines(content);
    if (lines.isEmpty())
        return file;
    file.languageCode = lines.first().left(2);
    for (int i = 1; i < lines.size(); ++i) {
        const QString &line = lines[i];
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        bool ok = false;
        const int tag = line.left(eq).trimmed().toInt(&ok);
        if (!ok || tag == 0)
            continue;
        file.texts.insert(tag, line.mid(eq + 1).trimmed());
    }
    return file;
}

TranslationFile TranslationFile::read(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("cannot read text file %1: %2").arg(path, f.errorString()).toStdString());
    return parse(f.readAll());
}

} // namespace qv::language
