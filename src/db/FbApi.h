#pragma once

// Private helpers around the Firebird OO API, shared by the layer's sources.

#include "db/FbError.h"

#include <firebird/Interface.h>

namespace qv::db::fbapi {

Firebird::IMaster *master();
Firebird::IUtil *util();
Firebird::IProvider *provider();

// Makes sure the engine finds a writable lock folder before its first use.
void prepareEnvironment();

// One status object per call site; converts an engine error into FbError.
class Status {
public:
    Status();
    ~Status();
    Status(const Status &) = delete;
    Status &operator=(const Status &) = delete;

    Firebird::ThrowStatusWrapper *operator&() { return &m_wrapper; }
    Firebird::ThrowStatusWrapper *get() { return &m_wrapper; }

private:
    Firebird::IStatus *m_status;
    Firebird::ThrowStatusWrapper m_wrapper;
};

[[noreturn]] void rethrow(const Firebird::FbException &e);

// Runs f, turning the engine's exception into FbError.
template <typename F>
auto guarded(F &&f) -> decltype(f())
{
    try {
        return f();
    } catch (const Firebird::FbException &e) {
        rethrow(e);
    }
}

} // namespace qv::db::fbapi
