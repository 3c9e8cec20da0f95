#ifndef QRT_DATA_COMPONENT_SESSIONPOOL_H
#define QRT_DATA_COMPONENT_SESSIONPOOL_H

#include "data/component/ConnectionString.h"
#include "qrt_export.h"

#include <chrono>
#include <memory>

class Backend;

// Sessions that no owner holds any more, kept open for a few seconds for the
// next connection to the same database with the same login. On a server,
// opening a session costs a process and tens of milliseconds (35 ms on a
// small machine, more than the whole first read of a million-row table with
// an index); a host that closes one form and opens the next, or opens the
// same form again, gets it without that wait. The driver managers hosts know
// (OLE DB, ODBC) keep released sessions the same way.
//
// Only sessions that can serve a new owner exactly as a new one would are
// kept: open, outside any transaction, with no cursor open, on an engine
// where opening costs (a SQLite file opens in microseconds). Taking one
// checks, without a round trip, that the server has not ended it meanwhile
// (a restart, an administrator, an idle limit); what the session learnt
// about tables is forgotten, since they may have changed since. A kept
// session is closed once its time is up, when more than a few are kept, and
// when the application ends.
//
// Sessions are kept and taken on the application's thread only; a session
// released elsewhere, or without an application object, is closed at once.
class QRT_AUTOTEST_EXPORT SessionPool
{
public:
    // A kept session for params (the command timeout may differ: the new
    // owner's applies), or null.
    static std::unique_ptr<Backend> take(const ConnectionParams &params);
    // What a session's last owner calls instead of deleting it: it is kept
    // when it can serve again, and closed otherwise.
    static void release(Backend *backend);
    // Closes every kept session now (a host that wants the server's
    // sessions gone, e.g. before dropping a database).
    static void closeAll();
    // How many sessions are kept now.
    static int size();
    // How long a session is kept (10 seconds unless changed); zero keeps none.
    static void setKeepTime(std::chrono::milliseconds time);
};

#endif // QRT_DATA_COMPONENT_SESSIONPOOL_H
