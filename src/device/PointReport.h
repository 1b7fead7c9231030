#pragma once

#include "device/Telegram.h"

#include <QString>

#include <array>

namespace qv::device {

// What the PC keeps per controller address.
struct TVrkState {
    QChar Address;
    bool Online = false;
    qint32 TimeoutCounter = 0;
    // Last status digit reported per point; index 0 is unused, 1..10 the points.
    std::array<quint8, PointCount + 1> PointStatus{};
};

using VrkArray = std::array<TVrkState, VrkCount>;

enum class TelegramKind { StatusTelegram2, StatusTelegram3 };

// One dispensing point taken from a status telegram, normalised.
struct PointReport {
    TelegramKind kind = TelegramKind::StatusTelegram2;
    int addressIndex = 0; // 0..35
    int point = 1;        // 1..10
    int statusDigit = 0;  // 0..9
    QString rawOrderNumber; // the 11 characters as the controller sent them
    QString orderNumber;    // trimmed, leading zeros removed
    QString orderPosition = QStringLiteral("0000");
    double quantity = 0; // litres
    QString operatorNumber = QStringLiteral("0");
    QString date; // DDMMYY
    QString time; // HHMM

    QChar addressChar() const { return AddressChar(addressIndex); }
    QChar pointChar() const { return PointChar(point); }
    // "ADR[A][P] = ", the head of every decision line about this point.
    QString logHead() const
    {
        return QStringLiteral("ADR[") + addressChar() + QStringLiteral("][") + pointChar() + QStringLiteral("] = ");
    }
};

} // namespace qv::device
