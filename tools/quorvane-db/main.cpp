// quorvane-db: writes the database a new installation of Quorvane 6 starts
// with.
//
//   quorvane-db create PATH [--schema-version 601|603] [--texts DIR]
//
// The display texts come from DE.txt and EN.txt, built into the program; a
// folder given with --texts is read instead.

#include "db/DeliveredDatabase.h"
#include "db/FbError.h"
#include "language/TranslationFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: quorvane-db create PATH [--schema-version 601|603] [--texts DIR]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    if (args.size() < 2 || args[0] != QLatin1String("create"))
        return usage();
    const QString path = args[1];
    int version = 603;
    QString textDir = QStringLiteral(":/texts");
    for (int i = 2; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--schema-version") && i + 1 < args.size()) {
            version = args[++i].toInt();
        } else if (args[i] == QLatin1String("--texts") && i + 1 < args.size()) {
            textDir = args[++i];
        } else {
            return usage();
        }
    }
    if (QFileInfo::exists(path)) {
        std::fprintf(stderr, "quorvane-db: %s exists already; not overwriting it\n", qPrintable(path));
        return 1;
    }
    try {
        qv::db::DeliveredDatabase::Texts texts;
        texts.german = qv::language::TranslationFile::read(textDir + QStringLiteral("/DE.txt")).texts;
        texts.english = qv::language::TranslationFile::read(textDir + QStringLiteral("/EN.txt")).texts;
        qv::db::DeliveredDatabase::create(QFileInfo(path).absoluteFilePath(), texts, version);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "quorvane-db: %s\n", e.what());
        QFile::remove(path); // never leave a half-made database behind
        return 1;
    }
    std::printf("created %s (schema version %d)\n", qPrintable(path), version);
    return 0;
}
