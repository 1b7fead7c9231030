#include "device/DispensingRecorder.h"

#include "app/Clock.h"
#include "db/FbError.h"
#include "db/SqlQuery.h"
#include "db/TUsername.h"

#include <QLocale>

#include <algorithm>

namespace qv::device {

namespace {

QLocale numberLocale()
{
    // Display formats such as "0.00" have no thousands grouping.
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

QString threeDigits(const QString &number)
{
    return PadLeft(number, 3, QLatin1Char('0'));
}

// Decimals of a display format: "0" none, "0.000" three.
int decimalsOf(const QString &format)
{
    const qsizetype dot = format.indexOf(QLatin1Char('.'));
    return dot < 0 ? 0 : int(format.size() - dot - 1);
}

bool readNumber(const QString &text, qsizetype from, int &out)
{
    const QString part = text.mid(from, 2);
    if (part.isEmpty() || !std::all_of(part.begin(), part.end(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        }))
        return false;
    out = part.toInt();
    return true;
}

QString errorText(const std::exception &e)
{
    if (const auto *fb = dynamic_cast<const qv::db::FbError *>(&e))
        return fb->message();
    return QString::fromLocal8Bit(e.what());
}

// The controller's end digit 4 is its own code; the others say by quantity
// whether anything worth counting was dispensed.
int resultStatusOf(const PointReport &report)
{
    if (report.statusDigit == 4)
        return 5;
    return report.quantity >= 0.5 ? 3 : 4;
}

// Which of the rows found for an end report takes the quantity: the one
// running now, then one released, then a new one, and an earlier run that
// was interrupted (status 3) only when there is nothing else.
int rowRank(int status)
{
    switch (status) {
    case 2:
        return 0;
    case 1:
        return 1;
    case 0:
        return 2;
    default:
        return 3;
    }
}

} // namespace

QDateTime DispensingRecorder::TelegramDateTime(const QString &date, const QString &time)
{
    int day = 0, month = 0, year = 0, hour = 0, minute = 0;
    if (readNumber(date, 0, day) && readNumber(date, 2, month) && readNumber(date, 4, year) && readNumber(time, 0, hour)
        && readNumber(time, 2, minute)) {
        const QDate d(2000 + year, month, day);
        const QTime t(hour, minute);
        if (d.isValid() && t.isValid()) {
            const QDateTime result(d, t);
            if (result.isValid())
                return result;
        }
    }
    return qv::app::Clock::now();
}

QString DispensingRecorder::OperatorName(int operatorNumber)
{
    qv::db::SqlQuery q(m_ctx.db, QStringLiteral("SELECT USERNAME FROM USERNAME WHERE USERNUMBER = :USERNUMBER"));
    q.bind(QStringLiteral("USERNUMBER"), operatorNumber);
    q.exec();
    return q.next() ? q.value(0).toString() : QString();
}

QString DispensingRecorder::ProductName(int product)
{
    const QString number = threeDigits(QString::number(product));
    qv::db::SqlQuery q(m_ctx.db, QStringLiteral("SELECT QUALITYNAME FROM QUALITYNAME WHERE QUALITY = :QUALITY"));
    q.bind(QStringLiteral("QUALITY"), number);
    q.exec();
    return q.next() ? q.value(0).toString() : number;
}

DispensingRecorder::EndReport DispensingRecorder::endReportOf(const PointReport &report)
{
    EndReport end;
    end.rawOrderNumber = report.rawOrderNumber;
    end.orderPosition = report.orderPosition;
    end.operatorNumber = report.operatorNumber;
    end.statusDigit = report.statusDigit;
    end.quantity = report.quantity;
    return end;
}

void DispensingRecorder::HandleNoDispensing(const PointReport &report)
{
    // The point is free again: whatever ends there next is a new dispensing.
    storedEnd(report).reset();
    m_ctx.host.StatusAnzeige(3, QString());
    m_ctx.reportLine(QStringLiteral("ADR [") + report.addressChar() + QStringLiteral("][") + report.pointChar()
        + QStringLiteral("] = no active dispensing"));
}

void DispensingRecorder::HandleDispensingRunning(const PointReport &report)
{
    storedEnd(report).reset();
    // The decoder stores the new digit only after this, so this is still the
    // digit of the previous report.
    const int previous = m_ctx.vrk[std::size_t(report.addressIndex)].PointStatus[std::size_t(report.point)];
    if (m_ctx.host.Username().OrderCheck() != qv::db::TAdminOrderCheck::oAllowAll && previous != 2) {
        m_ctx.reportLine(
            report.logHead() + QStringLiteral("Ordernumber (") + report.orderNumber + QStringLiteral(") active"));
        m_ctx.host.StatusAnzeige(3, QStringLiteral("active: ") + report.rawOrderNumber.trimmed());
        StoreDispensingStart(report);
    }
    if (previous == 2)
        StoreDispensingProgress(report);
}

void DispensingRecorder::StoreDispensingStart(const PointReport &report)
{
    const QDateTime t = TelegramDateTime(report.date, report.time);
    const QString name = ProductName(ProductAtPoint(m_ctx.db, report.addressIndex, report.point));
    try {
        qv::db::SqlQuery q(m_ctx.db,
            QStringList{
                QStringLiteral("UPDATE DISPENSINGDATA SET STATUS = 2, QUALITYNAME = :QUALITYNAME,"),
                QStringLiteral("  DISPENSINGDATETIME = :DISPENSINGDATETIME"),
                QStringLiteral("WHERE ORDERNUMBER = :ORDERNUMBER AND VRK = :VRK AND POINT = :POINT"),
                QStringLiteral("  AND STATUS <= 1 AND ACTUAL = :ACTUAL"),
            });
        q.bind(QStringLiteral("QUALITYNAME"), name)
            .bind(QStringLiteral("DISPENSINGDATETIME"), t)
            .bind(QStringLiteral("ORDERNUMBER"), report.orderNumber)
            .bind(QStringLiteral("VRK"), report.addressIndex)
            .bind(QStringLiteral("POINT"), report.point)
            .bind(QStringLiteral("ACTUAL"), report.quantity);
        q.exec();
    } catch (const std::exception &e) {
        // A lost start costs only the product name until the end report; the
        // dispensing goes on either way.
        if (m_ctx.host.DebugMonitorActive())
            m_ctx.host.DebugAnzeigeLog(QStringLiteral("Error(744): ") + errorText(e), true);
    }
    m_ctx.host.RefreshOpenOrders();
}

void DispensingRecorder::StoreDispensingProgress(const PointReport &report)
{
    const qv::db::TUmrechnungsEinheit &unit = m_ctx.host.Username().Einheit;
    m_ctx.host.StatusAnzeige(3,
        QStringLiteral("dispense: ") + report.orderNumber + QStringLiteral(" - ")
            + numberLocale().toString(report.quantity * unit.FaktorZahl, 'f', decimalsOf(unit.Ausgabeformat))
            + QStringLiteral(" ") + unit.Einheit);
    const QDateTime t = TelegramDateTime(report.date, report.time);
    try {
        qv::db::SqlQuery q(m_ctx.db,
            QStringList{
                QStringLiteral("UPDATE DISPENSINGDATA SET STATUS = 2, ACTUAL = :ACTUAL,"),
                QStringLiteral("  DISPENSINGDATETIME = :DISPENSINGDATETIME"),
                QStringLiteral("WHERE ORDERNUMBER = :ORDERNUMBER AND VRK = :VRK AND POINT = :POINT AND STATUS <= 2"),
            });
        q.bind(QStringLiteral("ACTUAL"), report.quantity)
            .bind(QStringLiteral("DISPENSINGDATETIME"), t)
            .bind(QStringLiteral("ORDERNUMBER"), report.orderNumber)
            .bind(QStringLiteral("VRK"), report.addressIndex)
            .bind(QStringLiteral("POINT"), report.point);
        q.exec();
    } catch (const std::exception &e) {
        // The next running report carries the quantity again.
        if (m_ctx.host.DebugMonitorActive())
            m_ctx.host.DebugAnzeigeLog(QStringLiteral("Error(692): ") + errorText(e), true);
    }
    m_ctx.host.RefreshOpenOrders();
}

void DispensingRecorder::HandleDispensingEnded(const PointReport &report)
{
    // A point that last reported 0, 1 or 2 has begun a new dispensing since
    // the end stored last: also when the decoder saw those digits and we did
    // not (a release request goes to the release decision; a status
    // telegram 3 without blocks clears the digits).
    const int previous = m_ctx.vrk[std::size_t(report.addressIndex)].PointStatus[std::size_t(report.point)];
    if (previous <= 2)
        storedEnd(report).reset();

    m_ctx.reportLine(report.logHead() + QStringLiteral("Order finished (") + report.orderNumber + QStringLiteral(") ")
        + numberLocale().toString(report.quantity, 'f', 2) + QStringLiteral(" ltr"));
    m_ctx.host.StatusAnzeige(3, QStringLiteral("finished: ") + report.rawOrderNumber.trimmed());

    // The controller repeats its end report until it has dropped the order;
    // one already stored is not stored again, but it is told once more to
    // drop the order.
    if (storedEnd(report) != endReportOf(report))
        StoreFinishedDispensing(report, resultStatusOf(report));

    m_ctx.queue.append(QStringLiteral("0") + report.addressChar() + QStringLiteral("L") + report.rawOrderNumber
        + QStringLiteral("0") + report.orderPosition);
}

void DispensingRecorder::StoreFinishedDispensing(const PointReport &report, int resultStatus)
{
    // Everything is looked up before the one writing statement, so a failure
    // anywhere leaves the row as it was and the repeated report stores it.
    const QString operatorName = OperatorName(report.operatorNumber.toInt());
    const int product = ProductAtPoint(m_ctx.db, report.addressIndex, report.point);
    const QDateTime t = TelegramDateTime(report.date, report.time);

    qv::db::SqlQuery rows(m_ctx.db,
        QStringList{
            QStringLiteral("SELECT DISPENSINGDATA.DISPENSING, DISPENSINGDATA.ORDERNUMBER,"),
            QStringLiteral("  DISPENSINGDATA.VRK, DISPENSINGDATA.POINT, DISPENSINGDATA.STATUS,"),
            QStringLiteral("  DISPENSINGDATA.SOLL, DISPENSINGDATA.IST"),
            QStringLiteral("FROM DISPENSINGDATA"),
            QStringLiteral("WHERE DISPENSINGDATA.ORDERNUMBER = :ORDERNUMBER AND"),
            QStringLiteral("  DISPENSINGDATA.VRK = :VRK AND DISPENSINGDATA.POINT = :POINT AND"),
            QStringLiteral("  DISPENSINGDATA.STATUS <= 3"),
        });
    rows.bind(QStringLiteral("ORDERNUMBER"), report.orderNumber)
        .bind(QStringLiteral("VRK"), report.addressIndex)
        .bind(QStringLiteral("POINT"), report.point);
    rows.exec();

    // The statement has no order. A point can hold an earlier, interrupted
    // run of the same order number beside the one running now; the quantity
    // belongs to the running one, whichever the database returns first.
    bool found = false;
    int bestRank = 0;
    qint64 dispensing = 0;
    double soll = 0;
    double ist = 0;
    while (rows.next()) {
        const int rank = rowRank(rows.value(QStringLiteral("STATUS")).toInt());
        if (found && rank >= bestRank)
            continue;
        found = true;
        bestRank = rank;
        dispensing = rows.value(QStringLiteral("DISPENSING")).toLongLong();
        soll = rows.value(QStringLiteral("SOLL")).toDouble();
        ist = rows.value(QStringLiteral("IST")).toDouble();
    }

    const QString productName = ProductName(product);
    const QString productNumber = threeDigits(QString::number(product));
    const QString operatorNumber = threeDigits(report.operatorNumber);
    int status = resultStatus;

    if (found) {
        ist += report.quantity;
        if (status == 3 && soll != 0 && ist + 0.1 >= soll)
            status = 6;
        qv::db::SqlQuery q(m_ctx.db,
            QStringList{
                QStringLiteral("UPDATE DISPENSINGDATA SET QUALITY = :QUALITY, QUALITYNAME = :QUALITYNAME,"),
                QStringLiteral("  USERNUMBER = :USERNUMBER, USERNAME = :USERNAME, STATUS = :STATUS,"),
                QStringLiteral("  IST = :IST, ACTUAL = 0, DISPENSINGDATETIME = :DISPENSINGDATETIME"),
                QStringLiteral("WHERE DISPENSING = :DISPENSING"),
            });
        q.bind(QStringLiteral("QUALITY"), productNumber)
            .bind(QStringLiteral("QUALITYNAME"), productName)
            .bind(QStringLiteral("USERNUMBER"), operatorNumber)
            .bind(QStringLiteral("USERNAME"), operatorName)
            .bind(QStringLiteral("STATUS"), status)
            .bind(QStringLiteral("IST"), ist)
            .bind(QStringLiteral("DISPENSINGDATETIME"), t)
            .bind(QStringLiteral("DISPENSING"), dispensing);
        q.exec();
    } else {
        // No order for this dispensing: it is kept as a row of its own.
        if (status == 3)
            status = 6;
        qv::db::SqlQuery q(m_ctx.db,
            QStringList{
                QStringLiteral("INSERT INTO DISPENSINGDATA ( ORDERNUMBER, ORDERPOSITION, QUALITY, QUALITYNAME, VRK,"),
                QStringLiteral("  POINT, USERNUMBER, USERNAME, ADDITIONAL, STATUS, SOLL, IST, ACTUAL,"),
                QStringLiteral("  DISPENSINGDATETIME )"),
                QStringLiteral("VALUES ( :ORDERNUMBER, :ORDERPOSITION, :QUALITY, :QUALITYNAME, :VRK, :POINT,"),
                QStringLiteral("  :USERNUMBER, :USERNAME, :ADDITIONAL, :STATUS, :SOLL, :IST, 0, :DISPENSINGDATETIME )"),
            });
        q.bind(QStringLiteral("ORDERNUMBER"), report.orderNumber)
            .bind(QStringLiteral("ORDERPOSITION"), report.orderPosition)
            .bind(QStringLiteral("QUALITY"), productNumber)
            .bind(QStringLiteral("QUALITYNAME"), productName)
            .bind(QStringLiteral("VRK"), report.addressIndex)
            .bind(QStringLiteral("POINT"), report.point)
            .bind(QStringLiteral("USERNUMBER"), operatorNumber)
            .bind(QStringLiteral("USERNAME"), operatorName)
            .bind(QStringLiteral("ADDITIONAL"), QStringLiteral("auto stored value"))
            .bind(QStringLiteral("STATUS"), status)
            .bind(QStringLiteral("SOLL"), 0.0)
            .bind(QStringLiteral("IST"), report.quantity)
            .bind(QStringLiteral("DISPENSINGDATETIME"), t);
        q.exec();
    }

    // Remembered before the views refresh: the result is stored, whatever
    // the refresh does.
    storedEnd(report) = endReportOf(report);
    m_ctx.host.ActualizeTableData(true, m_ctx.host.ResultAutoUpdate());
}

} // namespace qv::device
