// The delivered texts and the text file format: every tag the program shows
// has a German and an English text, and the file reader honours the formats
// text files come in.

#include "TestSupport.h"

#include "app/TFormMain.h"
#include "db/SchemaUpgrade.h"
#include "language/SpeechTable.h"
#include "language/TaggedTexts.h"
#include "language/TranslationFile.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace qv;
using language::TranslationFile;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Tags the source code asks for by number: GetSpeechText(1234), text(1234)
// in lookups, and the tags of the shared text fields.
QSet<int> tagsFetchedByCode()
{
    QSet<int> tags;
    static const QRegularExpression call(QStringLiteral("\\b(?:GetSpeechText|text|speech)\\((\\d{4,5})\\)"));
    QDirIterator it(test::sourcePath(QStringLiteral("src")), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = QString::fromUtf8(readAll(it.next()));
        auto matches = call.globalMatch(source);
        while (matches.hasNext())
            tags.insert(matches.next().captured(1).toInt());
    }
    language::SpeechTexts fields;
    fields.fill([&tags](int tag) {
        tags.insert(tag);
        return QString();
    });
    return tags;
}

} // namespace

class TestTexts : public QObject {
    Q_OBJECT
private slots:
    void readsEveryEncoding_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("text1000");

        QTest::newRow("utf-8 with mark, CR LF") << QByteArray("\xEF\xBB\xBF" "FR\r\n1000=Enregistrer é\r\n") << "FR"
                                                << QString::fromUtf8("Enregistrer é");
        QByteArray utf16("\xFF\xFE");
        for (QChar c : QStringLiteral("PL\r\n1000=Zapisz ż\r\n"))
            utf16.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        QTest::newRow("utf-16 with mark") << utf16 << "PL" << QString::fromUtf8("Zapisz ż");
        QTest::newRow("8-bit code page") << QByteArray("DE\r\n1000=K\xE4se \x80\r\n") << "DE"
                                         << QString::fromUtf8("Käse €");
        QTest::newRow("plain line feeds, blanks around the text") << QByteArray("IT\n1000=  Salva  \n") << "IT"
                                                                   << "Salva";
    }
    void readsEveryEncoding()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, code);
        QFETCH(QString, text1000);
        const TranslationFile file = TranslationFile::parse(content);
        QCOMPARE(file.languageCode, code);
        QCOMPARE(file.texts.value(1000), text1000);
    }

    void skipsLinesWithoutATag()
    {
        const TranslationFile file = TranslationFile::parse(
            "EN\r\nno equals sign\r\nabc=not a number\r\n0=zero tag\r\n=no tag\r\n1010=a=b\r\n\r\n");
        QCOMPARE(file.texts.keys(), QList<int>{1010});
        QCOMPARE(file.texts.value(1010), QStringLiteral("a=b")); // only the first "=" separates
        QVERIFY(TranslationFile::parse(QByteArray()).texts.isEmpty());
    }

    void deliveredFilesAreComplete()
    {
        const QString dir = test::sourcePath(QStringLiteral("data/texts/"));
        for (const char *name : {"DE.txt", "EN.txt"}) {
            const QByteArray raw = readAll(dir + QString::fromLatin1(name));
            QVERIFY2(raw.startsWith("\xEF\xBB\xBF"), name);
            QVERIFY2(raw.endsWith("\r\n"), name);
            QVERIFY2(!raw.mid(3).replace("\r\n", "").contains('\n'), "every line ends with CR LF");
        }
        const TranslationFile de = TranslationFile::read(dir + QStringLiteral("DE.txt"));
        const TranslationFile en = TranslationFile::read(dir + QStringLiteral("EN.txt"));
        QCOMPARE(de.languageCode, QStringLiteral("DE"));
        QCOMPARE(en.languageCode, QStringLiteral("EN"));
        QCOMPARE(de.texts.keys(), en.texts.keys());
        for (auto it = de.texts.cbegin(); it != de.texts.cend(); ++it) {
            QVERIFY2(!it.value().isEmpty(), qPrintable(QStringLiteral("DE %1 is empty").arg(it.key())));
            QVERIFY2(!en.texts.value(it.key()).isEmpty(), qPrintable(QStringLiteral("EN %1 is empty").arg(it.key())));
        }
        // The upgrade of older databases adds the printing texts with the
        // same wording a new database has.
        for (const auto &t : db::SchemaUpgrade::printingTexts()) {
            QCOMPARE(de.texts.value(t.tag), t.german);
            QCOMPARE(en.texts.value(t.tag), t.english);
        }
        // The confirmation prompt carries the place of the confirmation word.
        QVERIFY(de.texts.value(9000).contains(QStringLiteral("###")));
        QVERIFY(en.texts.value(9000).contains(QStringLiteral("###")));
    }

    void everyTagTheProgramUsesHasBothTexts()
    {
        test::ProgramDataDir dir(test::ProgramDataDir::Database::None);
        qputenv("QUORVANE_PROGRAMDATA", dir.path().toUtf8());
        app::TFormMain window(QCoreApplication::applicationFilePath());

        QMap<int, QString> users; // tag -> who uses it
        QList<QWidget *> widgets = window.findChildren<QWidget *>();
        for (QWidget *w : widgets) {
            const int tag = language::TaggedTexts::tagOf(w);
            if (tag > 1) // 1 only marks the two data grids
                users.insert(tag, w->objectName());
        }
        QVERIFY2(users.contains(2000) && users.contains(2200) && users.contains(5540), "the controls carry their tags");
        for (const auto *columns : {&language::TaggedTexts::openOrdersColumns(),
                                    &language::TaggedTexts::resultDataColumns()})
            for (const auto &[field, tag] : *columns)
                users.insert(tag, QStringLiteral("grid column ") + field);
        for (int tag : tagsFetchedByCode())
            users.insert(tag, QStringLiteral("program code"));

        const QString texts = test::sourcePath(QStringLiteral("data/texts/"));
        const TranslationFile de = TranslationFile::read(texts + QStringLiteral("DE.txt"));
        const TranslationFile en = TranslationFile::read(texts + QStringLiteral("EN.txt"));
        QStringList missing;
        for (auto it = users.cbegin(); it != users.cend(); ++it) {
            if (de.texts.value(it.key()).isEmpty() || en.texts.value(it.key()).isEmpty())
                missing << QStringLiteral("%1 (%2)").arg(it.key()).arg(it.value());
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
    }
};

QTEST_MAIN(TestTexts)
#include "tst_texts.moc"
