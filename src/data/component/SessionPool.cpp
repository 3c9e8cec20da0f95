#include "data/component/SessionPool.h"

#include "data/component/engines/Backend.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <vector>

namespace {

// More kept sessions than forms a user opens one after another would hold
// server processes for nothing.
constexpr std::size_t kMostKept = 4;

struct Kept
{
    QString login;
    std::unique_ptr<Backend> backend;
    quint64 serial = 0;
};

struct Pool
{
    std::vector<Kept> kept;
    std::chrono::milliseconds keepTime{10000};
    quint64 serial = 0;
    bool closesAtExit = false;
};

Pool &pool()
{
    static Pool instance;
    return instance;
}

// Everything that makes two sessions interchangeable; the command timeout
// is not among it, since it is set anew for every owner.
QString loginOf(const ConnectionParams &params)
{
    const QChar separator(0x1f);
    return QStringList{QString::number(static_cast<int>(params.kind)),
                       params.database,
                       params.host,
                       QString::number(params.port),
                       params.user,
                       params.password,
                       params.odbcString,
                       QString::number(params.connectTimeout),
                       params.sslMode,
                       params.sslRootCert,
                       params.applicationName}
        .join(separator);
}

bool onApplicationThread()
{
    const QCoreApplication *application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

void closeAllAtExit()
{
    SessionPool::closeAll();
}

void expire(quint64 serial)
{
    std::vector<Kept> &kept = pool().kept;
    for (auto it = kept.begin(); it != kept.end(); ++it) {
        if (it->serial == serial) {
            std::unique_ptr<Backend> closing = std::move(it->backend);
            kept.erase(it);
            return; // closing goes here, after the pool is consistent again
        }
    }
}

} // namespace

std::unique_ptr<Backend> SessionPool::take(const ConnectionParams &params)
{
    if (!onApplicationThread())
        return nullptr;
    std::vector<Kept> &kept = pool().kept;
    const QString login = loginOf(params);
    // The most recently kept first: it has been idle for the shortest time.
    for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
        if (it->login != login)
            continue;
        std::unique_ptr<Backend> backend = std::move(it->backend);
        kept.erase(std::next(it).base());
        if (!backend->isReusable())
            return take(params); // this one is closed as it goes; another may do
        backend->prepareForReuse(params.commandTimeout);
        return backend;
    }
    return nullptr;
}

void SessionPool::release(Backend *backend)
{
    std::unique_ptr<Backend> released(backend);
    Pool &state = pool();
    if (!released || !released->keptWhenIdle() || state.keepTime.count() <= 0 ||
        !onApplicationThread() || !released->isReusable())
        return;
    released->prepareForKeeping();
    if (!state.closesAtExit) {
        // Before the application object and the drivers go.
        qAddPostRoutine(closeAllAtExit);
        state.closesAtExit = true;
    }
    const quint64 serial = ++state.serial;
    state.kept.push_back(Kept{loginOf(released->params()), std::move(released), serial});
    if (state.kept.size() > kMostKept)
        expire(state.kept.front().serial);
    QTimer::singleShot(state.keepTime, QCoreApplication::instance(), [serial] { expire(serial); });
}

void SessionPool::closeAll()
{
    std::vector<Kept> closing;
    closing.swap(pool().kept);
}

int SessionPool::size()
{
    return static_cast<int>(pool().kept.size());
}

void SessionPool::setKeepTime(std::chrono::milliseconds time)
{
    pool().keepTime = time;
    if (time.count() <= 0)
        closeAll();
}
