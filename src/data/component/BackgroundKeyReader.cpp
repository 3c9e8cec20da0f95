#include "data/component/BackgroundKeyReader.h"

#include "data/component/engines/Backend.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace {

// Keys per read: the moment a cancelled reader notices it at the latest.
constexpr qsizetype kBatch = 65536;

// Batches a streaming reader reads ahead of its caller: enough to keep
// both busy, few enough to keep memory flat.
constexpr std::size_t kBatchesAhead = 3;

// How long a reader that is no longer wanted is waited for before it is
// left to finish by itself: long enough for a cancelled statement, short
// enough that nobody notices.
constexpr std::chrono::milliseconds kWaitForCancelled(100);

// The test hold, shared by all readers.
std::mutex holdMutex;
std::condition_variable holdChanged;
bool held = false;

// Readers still running, also those nobody waits for any more. Their
// connections must be gone before Qt SQL is (at the end of the application
// object, or of the process).
std::mutex liveMutex;
std::condition_variable liveChanged;
int liveReaders = 0;
// The threads of readers nobody waits for any more, each with whether its
// reader is done. They are joined, not detached: a thread that is done with
// its reader still tears down Qt's data of the thread, and the process must
// not end (nor a leak checker stop the world) in the middle of it.
std::vector<std::pair<std::thread, std::function<bool()>>> leftThreads;

void waitForLiveReaders()
{
    std::vector<std::thread> left;
    {
        std::unique_lock<std::mutex> lock(liveMutex);
        liveChanged.wait(lock, [] { return liveReaders == 0; });
        for (auto &entry : leftThreads)
            left.push_back(std::move(entry.first));
        leftThreads.clear();
    }
    for (std::thread &thread : left)
        thread.join();
}

struct LiveReadersAtExit
{
    ~LiveReadersAtExit() { waitForLiveReaders(); }
};

void countStartedReader()
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        static LiveReadersAtExit atExit;
        qAddPostRoutine(waitForLiveReaders);
    });
    std::lock_guard<std::mutex> lock(liveMutex);
    ++liveReaders;
}

void countEndedReader()
{
    {
        std::lock_guard<std::mutex> lock(liveMutex);
        --liveReaders;
    }
    liveChanged.notify_all();
}

} // namespace

struct BackgroundKeyReader::State
{
    State(const ConnectionParams &connection, const QString &query, int keyWidth, bool integral,
          std::chrono::milliseconds quietPeriod)
        : params(connection), sql(query), width(keyWidth), quiet(quietPeriod),
          startAt(std::chrono::steady_clock::now() + quietPeriod), keys(keyWidth, integral)
    {}

    const ConnectionParams params;
    const QString sql;
    const int width;
    const std::chrono::milliseconds quiet;

    std::mutex mutex;
    std::condition_variable finished;
    std::condition_variable gate; // startAt moved, the start was asked for, or cancelled
    std::condition_variable room; // a streaming reader's caller took a batch, or cancelled
    std::chrono::steady_clock::time_point startAt;
    bool started = false;
    std::atomic<bool> cancelled{false};
    std::function<void()> cancel; // cuts the running statement short
    bool done = false;
    KeyStore keys;
    std::optional<ComError> error;
    qsizetype batchRows = 0;      // streaming: rows per batch; 0 reads all first
    std::deque<KeyStore> batches; // streaming: read, not yet taken
};

BackgroundKeyReader::BackgroundKeyReader(const ConnectionParams &params, const QString &sql,
                                         int width, bool integral, std::chrono::milliseconds quiet)
    : m_state(std::make_shared<State>(params, sql, width, integral, quiet))
{
    countStartedReader();
    m_thread = std::thread(&BackgroundKeyReader::run, m_state);
}

BackgroundKeyReader::BackgroundKeyReader(const ConnectionParams &params, const QString &sql,
                                         int width, qsizetype batchRows)
    : m_state(std::make_shared<State>(params, sql, width, false, std::chrono::milliseconds::zero()))
{
    m_state->batchRows = qMax<qsizetype>(1, batchRows);
    countStartedReader();
    m_thread = std::thread(&BackgroundKeyReader::run, m_state);
}

BackgroundKeyReader::~BackgroundKeyReader()
{
    {
        // Under the lock: the reader drops the canceller under the same lock
        // before the connection it cancels goes (an SQLite canceller holds
        // the connection itself).
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->cancelled = true;
        if (m_state->cancel)
            m_state->cancel();
    }
    m_state->gate.notify_all();
    m_state->room.notify_all();
    {
        // Wakes a reader waiting in the test hold.
        std::lock_guard<std::mutex> lock(holdMutex);
    }
    holdChanged.notify_all();
    // A cancelled statement ends at once; one the engine cannot cancel runs
    // to its end, and the window that let the reader go does not wait for it.
    bool done = false;
    {
        std::unique_lock<std::mutex> lock(m_state->mutex);
        done =
            m_state->finished.wait_for(lock, kWaitForCancelled, [this] { return m_state->done; });
    }
    if (done) {
        m_thread.join();
    } else {
        std::vector<std::thread> ended;
        {
            std::lock_guard<std::mutex> lock(liveMutex);
            // Those left before that are done by now are joined here: a
            // program that runs for days keeps none of them.
            for (auto entry = leftThreads.begin(); entry != leftThreads.end();) {
                if (entry->second()) {
                    ended.push_back(std::move(entry->first));
                    entry = leftThreads.erase(entry);
                } else {
                    ++entry;
                }
            }
            const std::shared_ptr<State> state = m_state;
            leftThreads.emplace_back(std::move(m_thread), [state] {
                std::lock_guard<std::mutex> stateLock(state->mutex);
                return state->done;
            });
        }
        for (std::thread &thread : ended)
            thread.join();
    }
}

void BackgroundKeyReader::holdForTesting(bool hold)
{
    {
        std::lock_guard<std::mutex> lock(holdMutex);
        held = hold;
    }
    holdChanged.notify_all();
}

void BackgroundKeyReader::busy()
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (!m_state->started)
        m_state->startAt = std::chrono::steady_clock::now() + m_state->quiet;
}

void BackgroundKeyReader::start()
{
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->started = true;
    }
    m_state->gate.notify_all();
}

bool BackgroundKeyReader::take(KeyStore &keys, bool wait)
{
    if (wait)
        start();
    std::unique_lock<std::mutex> lock(m_state->mutex);
    if (wait)
        m_state->finished.wait(lock, [this] { return m_state->done; });
    if (!m_state->done)
        return false;
    if (m_state->error)
        throw *m_state->error;
    keys = std::move(m_state->keys);
    m_state->keys = keys.emptyCopy();
    return true;
}

bool BackgroundKeyReader::takeBatch(KeyStore &batch)
{
    std::unique_lock<std::mutex> lock(m_state->mutex);
    m_state->finished.wait(lock, [this] { return !m_state->batches.empty() || m_state->done; });
    if (m_state->batches.empty()) {
        if (m_state->error)
            throw *m_state->error;
        return false;
    }
    batch = std::move(m_state->batches.front());
    m_state->batches.pop_front();
    lock.unlock();
    m_state->room.notify_all();
    return true;
}

void BackgroundKeyReader::run(const std::shared_ptr<State> &state)
{
    {
        // Until the caller has been quiet long enough (busy() moves the
        // moment on), or wants the keys now.
        std::unique_lock<std::mutex> lock(state->mutex);
        while (!state->started && !state->cancelled) {
            const auto startAt = state->startAt;
            if (state->gate.wait_until(lock, startAt) == std::cv_status::timeout &&
                state->startAt == startAt)
                state->started = true;
        }
    }
    {
        std::unique_lock<std::mutex> lock(holdMutex);
        holdChanged.wait(lock, [&state] { return !held || state->cancelled; });
    }
    std::optional<ComError> error;
    KeyStore keys = state->keys.emptyCopy();
    try {
        // A reader let go before it started does not connect at all.
        if (state->cancelled)
            throw ComError(E_FAIL, QString());
        // Everything Qt SQL of this reader is made, used and dropped here.
        const std::unique_ptr<Backend> backend = Backend::open(state->params);
        // However this scope is left, the canceller goes before the
        // connection it cancels (declared after it, so destroyed first).
        struct DropCanceller
        {
            State &state;
            ~DropCanceller()
            {
                std::lock_guard<std::mutex> lock(state.mutex);
                state.cancel = nullptr;
            }
        } dropCanceller{*state};
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            state->cancel = backend->canceller();
        }
        if (!state->cancelled) {
            std::unique_ptr<KeySource> source = backend->openOwnKeySource(state->sql, state->width);
            if (state->batchRows > 0) {
                for (bool more = true; more && !state->cancelled;) {
                    KeyStore batch = keys.emptyCopy();
                    more = source->read(batch, state->batchRows);
                    std::unique_lock<std::mutex> lock(state->mutex);
                    state->room.wait(lock, [&state] {
                        return state->batches.size() < kBatchesAhead || state->cancelled;
                    });
                    state->batches.push_back(std::move(batch));
                    lock.unlock();
                    state->finished.notify_all();
                }
            } else {
                while (!state->cancelled && source->read(keys, kBatch)) {
                }
            }
        }
    } catch (const ComError &failure) {
        error = failure;
    } catch (const std::exception &failure) {
        error = ComError(E_FAIL, QString::fromLocal8Bit(failure.what()));
    }
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->cancel = nullptr;
        if (state->cancelled)
            error = ComError(E_FAIL, QStringLiteral("Das Lesen der Schlüssel wurde abgebrochen."));
        state->error = error;
        state->keys = std::move(keys);
        state->done = true;
    }
    state->finished.notify_all();
    countEndedReader();
}
