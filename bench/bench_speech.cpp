// bench_speech: switching the display language of the started main window,
// and reading one text by its tag.
//
//   bench_speech [--switches N] [--lookups N]
//
// The window runs offscreen on a fresh copy of the delivered database. Each
// switch sets the workstation's language (DE and EN in turn) and calls
// SetDisplayedSpeech(), which reads all texts of the language and gives
// every tagged control its caption. The split shows the share of the one
// statement and of the controls; a second figure adds the layout and paint
// events the switch leaves queued.

#include "BenchSupport.h"

#include "app/QuorvaneApplication.h"
#include "app/TFormMain.h"
#include "db/TDatenmodul.h"
#include "language/SpeechTable.h"
#include "language/TaggedTexts.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <cstdio>
#include <random>

using namespace qv;

namespace {

int run(app::TFormMain &window, db::TDatenmodul &datenmodul, int switches, int lookups)
{
    const double ms = 1e6;
    window.show();
    if (window.Programmstart() || window.isNoDatabaseState()) {
        std::fprintf(stderr, "bench_speech: the start-up sequence did not complete on the database\n");
        return 1;
    }
    QCoreApplication::processEvents();
    const QString languages[2] = {QStringLiteral("DE"), QStringLiteral("EN")};

    // The switch must really change the captions.
    QString saveCaption[2];
    for (int l = 0; l < 2; ++l) {
        window.Username().Speech = languages[l];
        window.SetDisplayedSpeech();
        saveCaption[l] = window.Texts().TEXT_SAVE;
    }
    if (saveCaption[0] == saveCaption[1] || saveCaption[0].startsWith(QStringLiteral("Error[")))
        std::fprintf(stderr, "bench_speech: warning: DE and EN give the same caption \"%s\"\n",
                     qPrintable(saveCaption[0]));

    // Warm-up, then the measured switches.
    for (int i = 0; i < 10; ++i) {
        window.Username().Speech = languages[i % 2];
        window.SetDisplayedSpeech();
    }
    bench::Series switchAll{std::size_t(switches)}, switchDe{std::size_t(switches)}, switchEn{std::size_t(switches)},
        switchWithEvents{std::size_t(switches)}, allTexts{std::size_t(switches)}, applyOnly{std::size_t(switches)};
    for (int i = 0; i < switches; ++i) {
        window.Username().Speech = languages[i % 2];
        const std::int64_t t0 = bench::nowNs();
        window.SetDisplayedSpeech();
        const std::int64_t t1 = bench::nowNs();
        QCoreApplication::processEvents();
        const std::int64_t t2 = bench::nowNs();
        switchAll.addNs(t1 - t0, ms);
        (i % 2 ? switchEn : switchDe).addNs(t1 - t0, ms);
        switchWithEvents.addNs(t2 - t0, ms);
    }

    // The two halves of a switch: the statement, and the controls.
    language::SpeechTable table(datenmodul.connection());
    for (int i = 0; i < switches; ++i) {
        const std::int64_t t0 = bench::nowNs();
        const QMap<int, QString> texts = table.allTexts(languages[i % 2]);
        const std::int64_t t1 = bench::nowNs();
        const auto lookup = [&texts](int tag) {
            const auto it = texts.constFind(tag);
            return it == texts.constEnd() ? language::SpeechTable::missingText(tag) : *it;
        };
        language::TaggedTexts::apply(&window, lookup);
        const std::int64_t t2 = bench::nowNs();
        allTexts.addNs(t1 - t0, ms);
        applyOnly.addNs(t2 - t1, ms);
    }
    QCoreApplication::processEvents();

    // GetSpeechText: one statement per text, random tags of the table.
    window.Username().Speech = languages[0];
    window.SetDisplayedSpeech();
    const QList<int> tags = table.allTexts(languages[0]).keys();
    std::mt19937 random(20261211);
    std::uniform_int_distribution<qsizetype> pick(0, tags.size() - 1);
    bench::Series lookupSeries{std::size_t(lookups)};
    int missing = 0;
    for (int i = 0; i < 100 + lookups; ++i) {
        const int tag = tags[pick(random)];
        const std::int64_t t0 = bench::nowNs();
        const QString text = window.GetSpeechText(tag);
        const std::int64_t t1 = bench::nowNs();
        missing += text.startsWith(QStringLiteral("Error[S=")) ? 1 : 0;
        if (i >= 100)
            lookupSeries.addNs(t1 - t0, ms);
    }
    if (missing)
        std::fprintf(stderr, "bench_speech: warning: %d look-ups found no text\n", missing);

    std::printf("%lld texts a language; \"%s\" / \"%s\"\n\n", static_cast<long long>(tags.size()),
                qPrintable(saveCaption[0]), qPrintable(saveCaption[1]));
    bench::printHeader(QStringLiteral("ms"));
    bench::printRow(QStringLiteral("SetDisplayedSpeech, DE and EN in turn"), switchAll.summary());
    bench::printRow(QStringLiteral("  to DE"), switchDe.summary());
    bench::printRow(QStringLiteral("  to EN"), switchEn.summary());
    bench::printRow(QStringLiteral("  SpeechTable::allTexts (the statement)"), allTexts.summary());
    bench::printRow(QStringLiteral("  TaggedTexts::apply (the controls)"), applyOnly.summary());
    bench::printRow(QStringLiteral("SetDisplayedSpeech + queued events"), switchWithEvents.summary());
    bench::printRow(QStringLiteral("GetSpeechText, random tag"), lookupSeries.summary());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "qt.qpa.*=false;qt.core.qobject.connect=false");

    app::QuorvaneApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = application.arguments();
    const int switches = bench::intArgument(args, QStringLiteral("--switches"), 200);
    const int lookups = bench::intArgument(args, QStringLiteral("--lookups"), 2000);

    bench::printMachine("bench_speech");
    bench::DeliveredTemplate delivered;
    if (!delivered.isValid()) {
        std::fprintf(stderr, "bench_speech: %s\n", qPrintable(delivered.error()));
        return 1;
    }
    bench::ProgramDataFolder folder(delivered.path());
    if (!folder.isValid()) {
        std::fprintf(stderr, "bench_speech: cannot make a program-data folder\n");
        return 1;
    }
    // The window resolves its folders from this when it is made.
    qputenv("QUORVANE_PROGRAMDATA", folder.path().toUtf8());
    std::printf("platform %s; database on %s\n", qPrintable(QGuiApplication::platformName()),
                qPrintable(bench::fileSystemType(folder.databaseFile())));

    try {
        app::TFormMain window(QCoreApplication::applicationFilePath());
        db::TDatenmodul datenmodul;
        window.setDatenmodul(&datenmodul);
        return run(window, datenmodul, switches, lookups);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_speech: %s\n", e.what());
        return 1;
    }
}
