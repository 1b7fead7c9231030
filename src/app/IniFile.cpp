#include "app/IniFile.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QSaveFile>

#include <optional>

namespace qv::app {

namespace {

// The file is kept as raw lines so that everything the program does not
// change goes back to disk byte for byte, whatever its encoding; only the
// lines the program looks at are decoded (as UTF-8).
struct Document {
    QList<QByteArray> lines; // without '\n'; a trailing '\r' stays on the line
    bool endsWithNewline = true;
    bool crlf = false; // new lines follow the file's line ends
};

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    QString name; // section or key name, trimmed
    qsizetype valueAt = 0; // byte offset of the value (after '=')
};

QByteArray body(const QByteArray &raw)
{
    return raw.endsWith('\r') ? raw.chopped(1) : raw;
}

ParsedLine parseLine(const QByteArray &raw, bool firstLine)
{
    QByteArray text = body(raw);
    qsizetype skipped = 0;
    if (firstLine && text.startsWith("\xEF\xBB\xBF")) { // a UTF-8 byte order mark
        text = text.mid(3);
        skipped = 3;
    }
    ParsedLine line;
    const QString trimmed = QString::fromUtf8(text).trimmed();
    if (trimmed.startsWith(QLatin1Char('['))) {
        const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
        if (close > 0) {
            line.kind = LineKind::Section;
            line.name = trimmed.mid(1, close - 1).trimmed();
        }
        return line; // a header without ']' is damage: kept, but it means nothing
    }
    if (trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#')))
        return line;
    // '=' never occurs inside a multi-byte UTF-8 sequence, so the byte search
    // finds the separator even in a damaged line.
    const qsizetype eq = text.indexOf('=');
    if (eq < 0)
        return line;
    line.name = QString::fromUtf8(text.left(eq)).trimmed();
    if (line.name.isEmpty())
        return line;
    line.kind = LineKind::Key;
    line.valueAt = skipped + eq + 1;
    return line;
}

bool sameName(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

QString displayName(const QString &file)
{
    return QDir::toNativeSeparators(file);
}

enum class LoadResult { Missing, Loaded, Unreadable };

LoadResult load(const QString &file, Document &doc)
{
    QFile f(file);
    if (!f.exists())
        return LoadResult::Missing;
    if (!f.open(QIODevice::ReadOnly))
        return LoadResult::Unreadable;
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return LoadResult::Unreadable;
    if (data.isEmpty())
        return LoadResult::Loaded;
    doc.lines = data.split('\n');
    doc.endsWithNewline = data.endsWith('\n');
    if (doc.endsWithNewline)
        doc.lines.removeLast(); // split leaves an empty piece after the last '\n'
    doc.crlf = !doc.lines.isEmpty() && doc.lines.first().endsWith('\r');
    return LoadResult::Loaded;
}

// For a write: the existing content, or an empty document for a new file. A
// file that exists but cannot be read is not overwritten, as that would
// silently drop every other setting in it.
Document loadForWrite(const QString &file)
{
    Document doc;
    if (load(file, doc) == LoadResult::Unreadable)
        throw IniWriteError(
            QStringLiteral("Cannot read %1, so it was not changed").arg(displayName(file)).toStdString());
    return doc;
}

void save(const QString &file, const Document &doc)
{
    QByteArray data = doc.lines.join('\n');
    if (doc.endsWithNewline && !doc.lines.isEmpty())
        data.append('\n');
    // QSaveFile writes a temporary file beside the target and renames it over
    // the target only when everything has been written, so a crash or a full
    // disk never leaves a half-written file behind. Where the folder itself
    // is closed to the user but the file is not, it writes in place instead.
    QSaveFile out(file);
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly))
        throw IniWriteError(
            QStringLiteral("Cannot write %1: %2").arg(displayName(file), out.errorString()).toStdString());
    if (out.write(data) != data.size() || !out.commit())
        throw IniWriteError(
            QStringLiteral("Cannot write %1: %2").arg(displayName(file), out.errorString()).toStdString());
}

// Names the program writes must read back as the same name: no line breaks,
// no brackets in a section name, no '=' in a key, and nothing that would
// turn a key line into a section header or a comment.
bool hasLineBreak(const QString &s)
{
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

void checkNames(const QString &file, const QString &section, const QString &key)
{
    const QString s = section.trimmed();
    const QString k = key.trimmed();
    const bool badSection
        = s.isEmpty() || hasLineBreak(s) || s.contains(QLatin1Char('[')) || s.contains(QLatin1Char(']'));
    const bool badKey = k.isEmpty() || hasLineBreak(k) || k.contains(QLatin1Char('=')) || k.startsWith(QLatin1Char('['))
        || k.startsWith(QLatin1Char(';')) || k.startsWith(QLatin1Char('#'));
    if (badSection || badKey)
        throw IniWriteError(QStringLiteral("Cannot write [%1] %2 to %3: not a valid section or key name")
                                .arg(section, key, displayName(file))
                                .toStdString());
}

// A value is one line in the file: a line break inside it would end the
// value and let the rest be read as further keys or sections, so each line
// break becomes one blank.
QByteArray valueBytes(const QString &value)
{
    QString v = value;
    v.replace(QLatin1String("\r\n"), QLatin1String(" "));
    v.replace(QLatin1Char('\r'), QLatin1Char(' '));
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return v.toUtf8();
}

std::optional<QString> readValue(const QString &file, const QString &section, const QString &key)
{
    Document doc;
    if (load(file, doc) != LoadResult::Loaded)
        return std::nullopt;
    const QString s = section.trimmed();
    const QString k = key.trimmed();
    bool inSection = false;
    for (qsizetype i = 0; i < doc.lines.size(); ++i) {
        const ParsedLine line = parseLine(doc.lines.at(i), i == 0);
        if (line.kind == LineKind::Section)
            inSection = sameName(line.name, s);
        else if (line.kind == LineKind::Key && inSection && sameName(line.name, k))
            return QString::fromUtf8(body(doc.lines.at(i)).mid(line.valueAt));
    }
    return std::nullopt;
}

// "1", "-1", "+0002": an integer; its truth is whether it is not zero.
// Integers of any length count, so no overflow turns a true into the default.
std::optional<bool> parseBool(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) ? 1 : 0;
    if (i >= t.size())
        return std::nullopt;
    bool nonZero = false;
    for (; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        nonZero = nonZero || c != QLatin1Char('0');
    }
    return nonZero;
}

} // namespace

QString IniReadString(const QString &file, const QString &section, const QString &key, const QString &def)
{
    return readValue(file, section, key).value_or(def);
}

void IniWriteString(const QString &file, const QString &section, const QString &key, const QString &value)
{
    checkNames(file, section, key);
    Document doc = loadForWrite(file);
    const QString s = section.trimmed();
    const QString k = key.trimmed();
    const QByteArray cr = doc.crlf ? QByteArrayLiteral("\r") : QByteArray();

    // The first section of that name (in any spelling) and its last key line:
    // a new key goes there, so the section's keys stay together.
    qsizetype header = -1;
    qsizetype insertAt = -1;
    bool inSection = false;
    bool inFirst = false;
    for (qsizetype i = 0; i < doc.lines.size(); ++i) {
        const ParsedLine line = parseLine(doc.lines.at(i), i == 0);
        if (line.kind == LineKind::Section) {
            inSection = sameName(line.name, s);
            inFirst = inSection && header < 0;
            if (inFirst) {
                header = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (line.kind != LineKind::Key || !inSection)
            continue;
        if (sameName(line.name, k)) {
            // Keep the key as it is spelled in the file, replace only the value.
            QByteArray &raw = doc.lines[i];
            const bool hadCr = raw.endsWith('\r');
            raw = body(raw).left(line.valueAt) + valueBytes(value) + (hadCr ? QByteArrayLiteral("\r") : QByteArray());
            save(file, doc);
            return;
        }
        if (inFirst)
            insertAt = i + 1;
    }

    const QByteArray keyLine = k.toUtf8() + '=' + valueBytes(value) + cr;
    if (header < 0) {
        doc.lines.append('[' + s.toUtf8() + ']' + cr);
        insertAt = doc.lines.size();
    }
    if (insertAt == doc.lines.size())
        doc.endsWithNewline = true; // the last line is now one of ours, ended as usual
    doc.lines.insert(insertAt, keyLine);
    save(file, doc);
}

bool IniReadBool(const QString &file, const QString &section, const QString &key, bool def)
{
    const std::optional<QString> text = readValue(file, section, key);
    return text ? parseBool(*text).value_or(def) : def;
}

void IniWriteBool(const QString &file, const QString &section, const QString &key, bool value)
{
    IniWriteString(file, section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniEraseSection(const QString &file, const QString &section)
{
    Document doc;
    switch (load(file, doc)) {
    case LoadResult::Missing:
        return; // nothing to erase, and no reason to create the file
    case LoadResult::Unreadable:
        throw IniWriteError(
            QStringLiteral("Cannot read %1, so it was not changed").arg(displayName(file)).toStdString());
    case LoadResult::Loaded:
        break;
    }
    const QString s = section.trimmed();
    QList<QByteArray> kept;
    kept.reserve(doc.lines.size());
    bool inSection = false;
    bool erased = false;
    for (qsizetype i = 0; i < doc.lines.size(); ++i) {
        const ParsedLine line = parseLine(doc.lines.at(i), i == 0);
        if (line.kind == LineKind::Section)
            inSection = sameName(line.name, s);
        if (inSection)
            erased = true; // the header and every line up to the next section
        else
            kept.append(doc.lines.at(i));
    }
    if (!erased)
        return;
    doc.lines = kept;
    save(file, doc);
}

} // namespace qv::app
