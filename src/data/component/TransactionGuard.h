#ifndef QRT_DATA_COMPONENT_TRANSACTIONGUARD_H
#define QRT_DATA_COMPONENT_TRANSACTIONGUARD_H

#include "qrt_export.h"

#include <QtGlobal>

#include <memory>

class Backend;
class Connection;

// One write that happens completely or not at all.
//
//     TransactionGuard transaction(connection);
//     … statements …
//     transaction.commit();
//
// The constructor begins a transaction (or joins the one already open on the
// connection: transactions nest by counting); commit() commits it, and a
// guard that goes without commit() rolls it back, so any exception on the way
// leaves the database as it was. A rollback ends the whole transaction, also
// the one an outer guard opened; that outer guard's commit() then throws
// instead of reporting a write that no longer exists. The destructor never
// throws.
class QRT_EXPORT TransactionGuard
{
public:
    explicit TransactionGuard(const Connection &connection);
    explicit TransactionGuard(std::shared_ptr<Backend> backend);
    // A guard inside a backend's own work, which the backend outlives.
    explicit TransactionGuard(Backend &backend);
    ~TransactionGuard() noexcept;
    TransactionGuard(const TransactionGuard &) = delete;
    TransactionGuard &operator=(const TransactionGuard &) = delete;

    void commit();
    // Ends the transaction now, without waiting for the destructor.
    void rollback() noexcept;

private:
    std::shared_ptr<Backend> m_backend;
    quint64 m_serial = 0;
    bool m_active = false;
};

#endif // QRT_DATA_COMPONENT_TRANSACTIONGUARD_H
