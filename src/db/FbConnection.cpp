#include "db/FbConnection.h"

#include "db/FbApi.h"

#include <ibase.h>

using namespace Firebird;

namespace qv::db {

void initialiseClientLibrary()
{
    fbapi::provider();
}

QString FbConnectionParams::connectString() const
{
    if (server.isEmpty())
        return database;
    QString s = server;
    if (port != 3050 && port > 0)
        s += QLatin1Char('/') + QString::number(port);
    return s + QLatin1Char(':') + database;
}

namespace {

IXpbBuilder *makeDpb(fbapi::Status &st, const FbConnectionParams &p, int pageSize)
{
    IXpbBuilder *dpb = fbapi::util()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
    // Embedded mode checks no password but takes the user name for the rights
    // on the tables; they all belong to SYSDBA.
    dpb->insertString(&st, isc_dpb_user_name, p.user.toUtf8().constData());
    if (!p.server.isEmpty())
        dpb->insertString(&st, isc_dpb_password, p.password.toUtf8().constData());
    dpb->insertString(&st, isc_dpb_lc_ctype, "UTF8");
    if (pageSize > 0) {
        dpb->insertInt(&st, isc_dpb_page_size, pageSize);
        dpb->insertString(&st, isc_dpb_set_db_charset, "UTF8");
    }
    return dpb;
}

} // namespace

FbConnection::FbConnection() = default;

FbConnection::~FbConnection()
{
    try {
        detach();
    } catch (...) {
        // Nothing sensible is left to do with a failing detach at destruction.
    }
}

void FbConnection::attach(const FbConnectionParams &params)
{
    open(params, 0);
}

void FbConnection::create(const FbConnectionParams &params, int pageSize)
{
    open(params, pageSize);
}

void FbConnection::open(const FbConnectionParams &params, int pageSize)
{
    detach();
    fbapi::guarded([&] {
        fbapi::Status st;
        IXpbBuilder *dpb = makeDpb(st, params, pageSize);
        const QByteArray where = params.connectString().toUtf8();
        try {
            const unsigned length = dpb->getBufferLength(&st);
            const unsigned char *buffer = dpb->getBuffer(&st);
            m_attachment = pageSize > 0 ? fbapi::provider()->createDatabase(&st, where.constData(), length, buffer)
                                        : fbapi::provider()->attachDatabase(&st, where.constData(), length, buffer);
        } catch (...) {
            dpb->dispose();
            throw;
        }
        dpb->dispose();
    });
    m_params = params;
}

void FbConnection::detach()
{
    if (!m_attachment)
        return;
    IAttachment *att = m_attachment;
    m_attachment = nullptr;
    try {
        fbapi::Status st;
        att->detach(&st);
    } catch (const FbException &) {
        // A broken link (server gone) cannot be detached cleanly; drop it.
        att->release();
    }
}

void FbConnection::executeImmediate(const QString &sql)
{
    FbTransaction tra(*this, FbTransaction::Kind::Write);
    fbapi::guarded([&] {
        fbapi::Status st;
        const QByteArray text = sql.toUtf8();
        handle()->execute(&st, tra.handle(), 0, text.constData(), SQL_DIALECT_V6, nullptr, nullptr, nullptr,
                          nullptr);
    });
    tra.commit();
}

IAttachment *FbConnection::handle() const
{
    if (!m_attachment)
        throw FbError(QStringLiteral("not connected to a database"));
    return m_attachment;
}

// --- FbTransaction -------------------------------------------------------

FbTransaction::FbTransaction(FbConnection &connection, Kind kind) : m_connection(&connection)
{
    static const unsigned char writeTpb[] = {isc_tpb_version3,  isc_tpb_write,       isc_tpb_read_committed,
                                             isc_tpb_rec_version, isc_tpb_wait,      isc_tpb_lock_timeout,
                                             1,                 10};
    static const unsigned char readTpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed,
                                            isc_tpb_rec_version, isc_tpb_nowait};
    fbapi::guarded([&] {
        fbapi::Status st;
        if (kind == Kind::Write)
            m_handle = connection.handle()->startTransaction(&st, sizeof writeTpb, writeTpb);
        else
            m_handle = connection.handle()->startTransaction(&st, sizeof readTpb, readTpb);
    });
}

FbTransaction::FbTransaction(FbTransaction &&other) noexcept
    : m_connection(other.m_connection), m_handle(other.m_handle)
{
    other.m_handle = nullptr;
}

FbTransaction::~FbTransaction()
{
    try {
        rollback();
    } catch (...) {
    }
}

void FbTransaction::commit()
{
    if (!m_handle)
        return;
    fbapi::guarded([&] {
        fbapi::Status st;
        m_handle->commit(&st); // frees the handle on success
        m_handle = nullptr;
    });
}

void FbTransaction::rollback()
{
    if (!m_handle)
        return;
    ITransaction *t = m_handle;
    m_handle = nullptr;
    try {
        fbapi::Status st;
        t->rollback(&st);
    } catch (const FbException &) {
        t->release();
    }
}

ITransaction *FbTransaction::handle() const
{
    if (!m_handle)
        throw FbError(QStringLiteral("transaction is not active"));
    return m_handle;
}

} // namespace qv::db
