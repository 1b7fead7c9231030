#pragma once

#include <QString>

namespace qv::app {

// What the operating system tells about itself and the user.
QString GetWindowsVersion();  // product name, trimmed (QSysInfo::prettyProductName)
QString GetWindowsUserName(); // login name; empty when unknown
QString GetSystemLanguage();  // two capitals from the UI locale; "EN" when unknown

// The workstation key: the 32-bit serial of the filesystem that holds the
// given file, as unsigned decimal digits: for FAT volumes the serial itself,
// for other filesystems the first 8 hex digits of the filesystem UUID;
// /etc/machine-id when no UUID can be read; "0" when nothing can.
QString GetWorkstationKey(const QString &programFile);
// The rule on its own, for tests: UUID text (FAT "ABCD-1234" or a long one)
// to the decimal key; empty when the text holds no 8 hex digits.
QString WorkstationKeyFromUuid(const QString &uuid);

} // namespace qv::app
