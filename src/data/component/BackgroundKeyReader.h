#ifndef QRT_DATA_COMPONENT_BACKGROUNDKEYREADER_H
#define QRT_DATA_COMPONENT_BACKGROUNDKEYREADER_H

#include "data/component/ConnectionString.h"
#include "data/component/KeyStore.h"
#include "qrt_export.h"

#include <chrono>
#include <memory>
#include <thread>

// Reads every key of a key query on a connection of its own, in a thread of
// its own, so that the full sort the engine needs for it (half a second to a
// second for a million rows without an index) never holds up the user's
// window. Made with a batch size, it reads whole rows of a query instead and
// hands them over a batch at a time while it reads on (for writing every
// record to a file).
//
// Why a thread and not small slices from the event loop: the engine returns
// the first row of a sorted query only after sorting all of them, so the
// first slice alone would freeze the window for that long.
//
// The thread touches nothing of the caller's: it opens its own connection
// (Qt SQL connections belong to the thread that made them), reads into its
// own key store and hands it over under a lock. A reader that is destroyed
// before it is done cuts the engine's statement short (PostgreSQL: PQcancel;
// SQLite: sqlite3_interrupt, which also stops a sort in the middle) and
// waits a moment for the thread; a thread that does not end by then (an
// engine without a way to cancel) is left to end by itself and joined
// later, at the latest when the application object (or the process) ends,
// so that its connection goes before Qt SQL does.
//
// The connection is made like the caller's (same parameters): a key query on
// PostgreSQL runs as a cursor in a read-only transaction, on SQLite (in WAL
// mode) as one statement; neither holds back any writer.
//
// A reader may be made before its list is needed, to start when the caller
// pauses: the full sort takes a core for up to a second, and on a machine
// with few cores it would slow every quick move the user makes meanwhile.
// Such a reader starts once quiet has passed without a call of busy(), or at
// once on start() or on a take() that waits.
class QRT_AUTOTEST_EXPORT BackgroundKeyReader
{
public:
    // integral: the keys are single whole numbers (see KeyStore). quiet:
    // how long the caller must leave the reader alone before it starts;
    // zero starts it at once.
    BackgroundKeyReader(const ConnectionParams &params, const QString &sql, int width,
                        bool integral,
                        std::chrono::milliseconds quiet = std::chrono::milliseconds::zero());
    // A reader that hands the rows over batchRows at a time as it reads
    // them (takeBatch), at most a few batches ahead of the caller: for going
    // once through every row of a query, the engine's and the driver's work
    // in this thread beside the caller's in its own. It starts at once.
    BackgroundKeyReader(const ConnectionParams &params, const QString &sql, int width,
                        qsizetype batchRows);
    ~BackgroundKeyReader();
    BackgroundKeyReader(const BackgroundKeyReader &) = delete;
    BackgroundKeyReader &operator=(const BackgroundKeyReader &) = delete;

    // The caller is busy: a reader that has not started waits a full quiet
    // period from now on.
    void busy();
    // Starts the reading now if it has not started.
    void start();

    // Hands the keys over once they are all read: keys then holds them and
    // the result is true. Without wait it gives false while reading goes on
    // (or has not started); with wait it starts the reading if need be and
    // waits. Throws the reader's ComError when reading failed.
    bool take(KeyStore &keys, bool wait);
    // The next batch of a reader made with batchRows, waiting for it; false
    // after the last. Throws the reader's ComError when reading failed (after
    // the batches read before).
    bool takeBatch(KeyStore &batch);

    // For tests: while held, new and running readers wait before they
    // connect, so that a test can change the table first.
    static void holdForTesting(bool hold);

private:
    struct State;
    static void run(const std::shared_ptr<State> &state);

    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

#endif // QRT_DATA_COMPONENT_BACKGROUNDKEYREADER_H
