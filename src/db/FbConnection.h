#pragma once

#include "db/FbError.h"

#include <QString>

#include <memory>

namespace Firebird {
class IAttachment;
class ITransaction;
} // namespace Firebird

namespace qv::db {

class FbConnection;

// Loads the client library (and with it the embedded engine's handlers for
// SIGINT and SIGTERM). Anything that wants those signals itself installs its
// handlers after this.
void initialiseClientLibrary();

// Where a database lives: a local file opened by the embedded engine when
// server is empty, otherwise an alias or path on a Firebird server.
struct FbConnectionParams {
    QString server;
    int port = 3050;
    QString database;
    QString user = QStringLiteral("SYSDBA");
    QString password = QStringLiteral("masterkey");

    // The string the client library understands: "path" or "host/port:db".
    QString connectString() const;
};

// A transaction; rolled back when it goes out of scope uncommitted.
class FbTransaction {
public:
    enum class Kind {
        Write,            // read committed, waits briefly for locks, short-lived
        ReadOnlyCommitted // read-only read committed: never pins old record versions
    };

    FbTransaction(FbConnection &connection, Kind kind);
    ~FbTransaction();
    FbTransaction(const FbTransaction &) = delete;
    FbTransaction &operator=(const FbTransaction &) = delete;
    FbTransaction(FbTransaction &&other) noexcept;

    void commit();
    void rollback();
    bool isActive() const { return m_handle != nullptr; }
    Firebird::ITransaction *handle() const;
    FbConnection &connection() const { return *m_connection; }

private:
    FbConnection *m_connection;
    Firebird::ITransaction *m_handle = nullptr;
};

// One attachment to a database.
class FbConnection {
public:
    FbConnection();
    ~FbConnection();
    FbConnection(const FbConnection &) = delete;
    FbConnection &operator=(const FbConnection &) = delete;

    void attach(const FbConnectionParams &params);
    // Creates a new UTF8 database file (fails when the file exists).
    void create(const FbConnectionParams &params, int pageSize = 8192);
    void detach();
    bool isAttached() const { return m_attachment != nullptr; }
    const FbConnectionParams &params() const { return m_params; }

    // Runs one statement without parameters in its own committed transaction
    // (DDL, scripts of the database creator).
    void executeImmediate(const QString &sql);

    Firebird::IAttachment *handle() const;

private:
    // Attaches, or creates the file when a page size is given.
    void open(const FbConnectionParams &params, int pageSize);

    Firebird::IAttachment *m_attachment = nullptr;
    FbConnectionParams m_params;
};

} // namespace qv::db
