#include "data/component/TransactionGuard.h"

#include "data/component/Connection.h"
#include "data/component/engines/Backend.h"

TransactionGuard::TransactionGuard(const Connection &connection)
    : TransactionGuard(connection.sharedBackend())
{}

TransactionGuard::TransactionGuard(std::shared_ptr<Backend> backend) : m_backend(std::move(backend))
{
    m_backend->beginTransaction();
    m_serial = m_backend->transactionSerial();
    m_active = true;
}

TransactionGuard::TransactionGuard(Backend &backend)
    // Not owning: an empty owner aliased to the backend.
    : TransactionGuard(std::shared_ptr<Backend>(std::shared_ptr<Backend>(), &backend))
{}

TransactionGuard::~TransactionGuard() noexcept
{
    rollback();
}

void TransactionGuard::commit()
{
    if (!m_active)
        throw ComError(ADO_E_ILLEGALOPERATION,
                       QStringLiteral("Die Transaktion ist bereits beendet."));
    m_active = false;
    if (!m_backend->inTransaction() || m_backend->transactionSerial() != m_serial) {
        // A nested write failed and took the whole transaction with it.
        throw ComError(ADO_E_ILLEGALOPERATION,
                       QStringLiteral("Die Transaktion wurde bereits zurückgesetzt; nichts davon "
                                      "wurde gespeichert."));
    }
    m_backend->commitTransaction();
}

void TransactionGuard::rollback() noexcept
{
    if (!m_active)
        return;
    m_active = false;
    if (!m_backend->inTransaction() || m_backend->transactionSerial() != m_serial)
        return; // already ended by someone else's rollback
    try {
        m_backend->rollbackTransaction();
    } catch (...) {
        // The error that brought us here is the one worth reporting; a
        // rollback that fails as well (the connection is gone) has nothing
        // to add, and the server ends the transaction with the connection.
    }
}
