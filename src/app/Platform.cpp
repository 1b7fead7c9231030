#include "app/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSysInfo>
#include <QtGlobal>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <optional>
#include <vector>

namespace qv::app {

QString GetWindowsVersion()
{
    return QSysInfo::prettyProductName().trimmed();
}

QString GetWindowsUserName()
{
    const QString fromEnvironment = qEnvironmentVariable("USER").trimmed();
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    std::vector<char> buffer(16384);
    passwd entry {};
    passwd *found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
    return {};
}

QString GetSystemLanguage()
{
    // The ISO code of the user-interface language ("de", "en"); the C locale
    // gives "C", which is no language, hence the fallback.
    const QString code = QLocale::languageToCode(QLocale::system().language());
    if (code.size() < 2 || !code.at(0).isLetter() || !code.at(1).isLetter())
        return QStringLiteral("EN");
    return code.left(2).toUpper();
}

QString WorkstationKeyFromUuid(const QString &uuid)
{
    // A filesystem UUID is hex digits and dashes: "ABCD-1234" on FAT (the
    // volume serial itself), "1b4e28ba-2fa1-..." on ext4 and most others,
    // sixteen digits on NTFS. Anything else is not a UUID.
    QString hex;
    for (const QChar c : uuid.trimmed()) {
        if (c == QLatin1Char('-'))
            continue;
        const bool hexDigit = (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
        if (!hexDigit)
            return {};
        hex.append(c);
    }
    if (hex.size() < 8)
        return {};
    bool ok = false;
    const quint32 serial = hex.left(8).toUInt(&ok, 16);
    return ok ? QString::number(serial) : QString();
}

namespace {

const QString byUuid = QStringLiteral("/dev/disk/by-uuid");

// The block device named by a line of /proc/self/mountinfo for the device
// number st_dev. Needed where st_dev is not the block device's own number
// (btrfs subvolumes, for one).
std::optional<QString> mountSource(dev_t device)
{
    QFile f(QStringLiteral("/proc/self/mountinfo"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    const QByteArray wanted = QByteArray::number(major(device)) + ':' + QByteArray::number(minor(device));
    // "36 35 98:0 /mnt1 /mnt/parent rw,noatime master:1 - ext3 /dev/root rw"
    while (!f.atEnd()) {
        const QList<QByteArray> fields = f.readLine().trimmed().split(' ');
        if (fields.size() < 3 || fields.at(2) != wanted)
            continue;
        const qsizetype dash = fields.indexOf("-");
        if (dash >= 0 && dash + 2 < fields.size())
            return QString::fromLocal8Bit(fields.at(dash + 2));
    }
    return std::nullopt;
}

std::optional<QString> filesystemUuid(const QString &programFile)
{
    struct stat st { };
    if (stat(QFile::encodeName(programFile).constData(), &st) != 0)
        return std::nullopt;
    const QStringList names = QDir(byUuid).entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    // The udev links point at the block devices; the one whose device number
    // is that of the file's filesystem carries its UUID as its name.
    for (const QString &name : names) {
        struct stat dev { };
        if (stat(QFile::encodeName(byUuid + QLatin1Char('/') + name).constData(), &dev) == 0 && S_ISBLK(dev.st_mode)
            && dev.st_rdev == st.st_dev)
            return name;
    }
    const std::optional<QString> source = mountSource(st.st_dev);
    if (!source || !source->startsWith(QLatin1String("/dev/")))
        return std::nullopt;
    const QString device = QFileInfo(*source).canonicalFilePath();
    for (const QString &name : names) {
        if (!device.isEmpty() && QFileInfo(byUuid + QLatin1Char('/') + name).canonicalFilePath() == device)
            return name;
    }
    return std::nullopt;
}

QString machineIdKey()
{
    for (const QString &path : {QStringLiteral("/etc/machine-id"), QStringLiteral("/var/lib/dbus/machine-id")}) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString key = WorkstationKeyFromUuid(QString::fromLatin1(f.read(64)).trimmed());
        if (!key.isEmpty())
            return key;
    }
    return {};
}

} // namespace

QString GetWorkstationKey(const QString &programFile)
{
    if (const std::optional<QString> uuid = filesystemUuid(programFile)) {
        const QString key = WorkstationKeyFromUuid(*uuid);
        if (!key.isEmpty())
            return key;
    }
    const QString key = machineIdKey();
    return key.isEmpty() ? QStringLiteral("0") : key;
}

} // namespace qv::app
