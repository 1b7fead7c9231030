#include "device/ReleaseDecision.h"

#include "db/SqlQuery.h"
#include "db/TUsername.h"

#include <QLocale>

namespace qv::device {

namespace {

// Quantities in decision lines: litres, "0.00", the system's decimal
// separator, no thousands grouping (the format has none).
QString litres(double value)
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', 2);
}

QString threeDigits(int product)
{
    return PadLeft(QString::number(product), 3, QLatin1Char('0'));
}

// The product an order row names; a text that is no number names none.
int rowProduct(const QVariant &value)
{
    bool ok = false;
    const int product = value.toString().trimmed().toInt(&ok);
    return ok ? product : 0;
}

} // namespace

void ReleaseDecision::HandleReleaseRequest(const PointReport &report)
{
    DeviceHost &host = m_ctx.host;
    const QString shownNumber = report.rawOrderNumber.trimmed();
    host.StatusAnzeige(3, QStringLiteral("check: ") + shownNumber);

    // Decision state. The quantities and products are those of the row
    // examined last, which is what the decision line reports.
    bool release = false;
    qint64 dispensing = 0;
    int outcome = 0;
    int pointProduct = 0;
    int lastRowProduct = 0;
    double remaining = 0;

    if (report.rawOrderNumber == QLatin1String("00000000000")) {
        outcome = 1;
    } else {
        switch (host.Username().OrderCheck()) {
        case qv::db::TAdminOrderCheck::oAllowAll:
            // No row is chosen: the dispensing becomes a row of its own when it ends.
            outcome = 3;
            release = true;
            break;
        case qv::db::TAdminOrderCheck::oDenyAll:
            outcome = 4;
            break;
        case qv::db::TAdminOrderCheck::oCheck:
        default:
            // A stored mode we do not know checks the orders: the one safe choice.
            outcome = 2;
            pointProduct = ProductAtPoint(m_ctx.db, report.addressIndex, report.point);

            QStringList sql{
                QStringLiteral("SELECT DISPENSINGDATA.DISPENSING, DISPENSINGDATA.ORDERNUMBER,"),
                QStringLiteral("  DISPENSINGDATA.ORDERPOSITION, DISPENSINGDATA.QUALITY, DISPENSINGDATA.STATUS,"),
                QStringLiteral("  DISPENSINGDATA.SOLL, DISPENSINGDATA.IST"),
                QStringLiteral("FROM DISPENSINGDATA"),
                QStringLiteral("WHERE DISPENSINGDATA.ORDERNUMBER = :ORDERNUMBER AND"),
            };
            const bool withPosition = report.orderPosition != QLatin1String("0000");
            if (withPosition)
                sql << QStringLiteral("  DISPENSINGDATA.ORDERPOSITION = :ORDERPOSITION AND");
            sql << QStringLiteral("  DISPENSINGDATA.STATUS IN (0,1,3,4)");
            qv::db::SqlQuery q(m_ctx.db, sql);
            q.bind(QStringLiteral("ORDERNUMBER"), report.orderNumber);
            if (withPosition)
                q.bind(QStringLiteral("ORDERPOSITION"), report.orderPosition);
            q.exec();

            while (q.next()) {
                outcome = 5;
                const double soll = q.value(QStringLiteral("SOLL")).toDouble();
                const double ist = q.value(QStringLiteral("IST")).toDouble();
                // Whether the order has a preset quantity decides the check, not
                // whether what is left of it happens to come out as exactly 0:
                // an order overfilled by exactly 0.01 litres would otherwise
                // count as one without preset and take any quantity.
                const bool preset = soll != 0;
                remaining = preset ? soll - ist + 0.01 : 0;
                if (preset && report.quantity > remaining)
                    continue;

                outcome = 6;
                lastRowProduct = rowProduct(q.value(QStringLiteral("QUALITY")));
                const qint64 id = q.value(QStringLiteral("DISPENSING")).toLongLong();
                if (lastRowProduct == pointProduct) {
                    dispensing = id;
                    outcome = 8;
                    release = true;
                    break;
                }
                if (lastRowProduct / 10 == pointProduct / 10 && lastRowProduct < pointProduct
                    && lastRowProduct % 10 == 0) {
                    // The row names the group of the point's product. Keep looking:
                    // a later row naming the product itself takes precedence.
                    dispensing = id;
                    outcome = 8;
                    release = true;
                    continue;
                }
                if (lastRowProduct == 0 && !release) {
                    dispensing = id;
                    release = true;
                    outcome = 7;
                }
            }
            break;
        }
    }

    const QString head = QStringLiteral("0") + report.addressChar() + QStringLiteral("F") + report.rawOrderNumber;
    if (release) {
        host.StatusAnzeige(3, QStringLiteral("enable: ") + shownNumber);
        AssignOrderToPoint(dispensing, report.addressIndex, report.point);
        m_ctx.queue.append(head + QStringLiteral("1") + report.orderPosition);
    } else {
        host.StatusAnzeige(3, QStringLiteral("refuse: ") + shownNumber);
        m_ctx.queue.append(head + QStringLiteral("0") + report.orderPosition);
    }

    QString text;
    switch (outcome) {
    case 1:
        text = QStringLiteral("ASA network request");
        break;
    case 2:
        text = QStringLiteral("Ordernumber (") + report.orderNumber + QStringLiteral(") not found");
        break;
    case 3:
        text = QStringLiteral("Administrator (allow all)");
        break;
    case 4:
        text = QStringLiteral("Administrator (deny all)");
        break;
    case 5:
        text = QStringLiteral("Dispensing quantity (") + litres(report.quantity)
            + QStringLiteral(") > Order quantity (") + litres(remaining) + QStringLiteral(")");
        break;
    case 6:
        text = QStringLiteral("Dispensing quality (") + threeDigits(pointProduct)
            + QStringLiteral(") <> Order quality (") + threeDigits(lastRowProduct) + QStringLiteral(")");
        break;
    case 7:
        text = QStringLiteral("Dispensing quality (") + threeDigits(pointProduct)
            + QStringLiteral(") >= Order quality (") + threeDigits(lastRowProduct) + QStringLiteral(")");
        break;
    default:
        text = QStringLiteral("Ordernumber (") + report.orderNumber + QStringLiteral(") Ok");
        break;
    }
    m_ctx.reportLine(report.logHead() + text);
}

void ReleaseDecision::AssignOrderToPoint(qint64 dispensing, int addressIndex, int point)
{
    qv::db::SqlQuery q(m_ctx.db,
        QStringLiteral("UPDATE DISPENSINGDATA SET VRK = :VRK, POINT = :POINT, STATUS = 1, "
                       "ACTUAL = 0 WHERE DISPENSING = :DISPENSING"));
    q.bind(QStringLiteral("VRK"), addressIndex)
        .bind(QStringLiteral("POINT"), point)
        .bind(QStringLiteral("DISPENSING"), dispensing);
    q.exec();
    m_ctx.host.ActualizeTableData(true, false);
}

} // namespace qv::device
