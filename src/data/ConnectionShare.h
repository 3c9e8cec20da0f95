#ifndef QRT_DATA_CONNECTIONSHARE_H
#define QRT_DATA_CONNECTIONSHARE_H

#include "data/component/Connection.h"
#include "qrt_export.h"

#include <QHash>
#include <QString>

// The database sessions that the owners of one form share (its builder, its
// record manager and that manager's filter store): one connection per
// connection string, opened by the owner that connects first and released
// when the last owner holding the share goes (the session may then serve the
// next form, see SessionPool). Opening a session costs the server a
// process and the user tens of milliseconds; a form needs only one.
//
// Sharing is safe because every write of these owners is a short transaction
// that begins and ends within one call on the user-interface thread, never
// across a question to the user, so they cannot interleave; a guard that
// finds a transaction open joins it. A connection the server dropped is
// reported once, to the owner that uses it next, and the next statement of
// any owner opens it anew (recordsets follow by the backend's generation).
// Separate forms do not share: a modeless form's save must never join a
// transaction of another form.
class QRT_EXPORT ConnectionShare
{
public:
    // The share's open connection for the string; opens it (ComError when
    // that fails) unless an owner opened it before.
    Connection connect(const QString &connectionString);

private:
    QHash<QString, Connection> m_connections;
};

#endif // QRT_DATA_CONNECTIONSHARE_H
