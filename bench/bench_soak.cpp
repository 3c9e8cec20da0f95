// bench_soak: users' programs doing random form operations at the same time
// on one PostgreSQL table, through the real form dialog, then a check of
// everything they were told against what the server stored.
//
//   bench_soak [--ops N] [--seed S] [--rows R] [--programs P]
//              [--server HOST:PORT | --pg-dir DIR | --pooler] [--keep]
//
// P programs (2 if not given, at most 100), each a user of its own.
// --pooler puts PgBouncer in transaction pooling mode with ten server
// sessions between the programs and a throw-away server of their own.
// N operations per program (10000 if not given), programs seeded from S (1),
// a Kunden table of R rows to start with (20: few rows, so the users
// often meet on the same record). Without --server the program starts a
// throw-away server of its own; --pg-dir takes the port of the test run's
// server from DIR/port. Each run works in a new database, dropped at the
// end; --keep leaves it (on a server that goes on running) and the users'
// logs, and says where.
//
// Each program opens the stored Kunden form in a form dialog (offscreen) and
// acts as a user with the keys and menus: pages (next, previous, first,
// last), retypes the name or the place and saves (Ctrl+S), retypes and takes
// it back (Ctrl+Y, answering yes), makes a new record (Ctrl+N, two fields,
// Ctrl+S), deletes the record (menu, answering yes), and sets a filter
// through the host's ChangeFilter or removes it (menu). A save either lands
// (no message), or brings the conflict question (another user changed the
// field), which the user cancels, or is refused because the record is gone
// ("... gelöscht"); the entry stays in its field, and the user then reads the
// record again. Everything else
// a program sees is an unexpected message.
//
// Every change the server commits is written by a trigger into an audit
// table, in commit order (two writes of one row wait for each other's lock,
// so their order there is the order they took effect). The check afterwards:
//   - every save a program was told landed is in the audit, and it replaced
//     exactly the value the user had seen (no change of another user was
//     overwritten unseen); every refused, undone or failed entry is not;
//   - every write in the audit is one a program was told landed;
//   - the table holds, row by row, what the landed writes give when applied
//     in commit order: the last successful write to a field is what is
//     stored, and a deleted row is gone;
//   - rows = initial + inserts - deletes (a delete counts once, when it
//     removed the row; deleting a record another user had just deleted
//     removes nothing and is counted apart);
//   - no duplicate keys; every program exits normally; no unexpected message;
//   - a refusal only where another user had changed that field or
//     deleted the row.
// One line per figure, "metric=<name> value=<v>", then a summary line; the
// exit code is 0 only when every invariant holds.

#include "BenchSupport.h"

#include "data/CDataMgr.h"
#include "facade/CKeloForm.h"
#include "platform/RecordingMessages.h"
#include "resources/CommandTable.h"
#include "runtime/CForm.h"
#include "runtime/CFormDlg.h"
#include "runtime/CFormFrame.h"
#include "support/ChildProcess.h"
#include "support/FormDriver.h"
#include "support/PgServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <thread>

namespace {

using Answer = UserMessages::Answer;

constexpr int kMostPrograms = 100;
// How long a user tries again while the connection is down before giving up.
constexpr qint64 kLongestOutageMs = 120 * 1000;
const QString kSaveQuestion = QStringLiteral("Den aktuellen Datensatz speichern?");
const QString kUndoQuestion =
    QStringLiteral("Änderungen an diesem Satz wirklich rückgängig machen?");
const QString kDeleteQuestion = QStringLiteral("Diesen Datensatz wirklich löschen?");
const QString kDeleted = QStringLiteral("inzwischen von einem anderen Benutzer gelöscht");
const QString kDeletedFirst =
    QStringLiteral("Der Datensatz war bereits von einem anderen Benutzer gelöscht worden.");

// The form's two fields the users edit; both are texts, so what a field
// shows is what the table holds.
const char *const kFields[] = {"name", "ort"};

// The filters a user sets; one of them shows only records the first user
// wrote, another may leave none at all.
const char *const kFilters[] = {"id % 3 = 0", "id > 20", "name LIKE 'A-%'", "ort IS NOT NULL",
                                "ort = 'Nirgendwo'"};

QString formDocument(const BenchDatabase &db, bool designMode)
{
    CKeloForm facade;
    facade.Init(db.name, db.server, db.user(), QString(), db.table(), db.kind());
    // The key is the library's to compute, as in the host applications.
    facade.RemoveColumn(QStringLiteral("id"), true);
    return designMode ? facade.FilledDocument(CKeloForm::EntryPoint::DesignForm)
                      : facade.FilledDocument(CKeloForm::EntryPoint::ShowForm, QString(),
                                              QStringLiteral("id"));
}

// --- one user's program ------------------------------------------------------------

// Plays one user for a number of operations and writes what became of each
// into a log, one tab-separated line per event:
//   save KEY FIELD SEEN VALUE           an edit that landed; SEEN is what the
//                                       field showed before the user typed
//   refused KEY FIELD SEEN VALUE WHY    WHY: changed or deleted
//   undone KEY FIELD VALUE
//   insert KEY NAME ORT
//   insertfailed NAME TEXT
//   delete KEY
//   filter CONDITION / unfilter / move
//   unexpected TEXT                     a message or question nobody expected
//   error TEXT                          the program could not do what it meant
// and at the end "ops=N longest_ms=X seconds=S" and "waits_ms=W,W,…" (each
// operation's) on standard output.
class SoakUser
{
public:
    SoakUser(const QString &document, const QString &tag, quint32 seed, QTextStream &log,
             bool failover)
        : m_dialog(document, false), m_driver(&m_dialog), m_tag(tag), m_random(seed), m_log(log),
          m_failover(failover)
    {}

    bool open()
    {
        m_dialog.show();
        return QTest::qWaitForWindowActive(&m_dialog) && m_driver.form();
    }

    void run(int operations)
    {
        QElapsedTimer total;
        total.start();
        for (int i = 0; i < operations; ++i) {
            QElapsedTimer clock;
            clock.start();
            m_messages.clear();
            step();
            m_longest = qMax(m_longest, clock.elapsed());
            m_waits << QString::number(clock.elapsed());
            // Whatever is left of a refused entry must not linger into the
            // next operation as an unasked change.
            if (m_driver.form()->isAnyControlModified())
                reread();
        }
        QTextStream(stdout) << "ops=" << operations << " longest_ms=" << m_longest
                            << " longest_press_ms=" << m_longestPress
                            << " longest_outage_ms=" << m_longestOutage
                            << " seconds=" << double(total.elapsed()) / 1000.0 << Qt::endl
                            << "waits_ms=" << m_waits.join(QLatin1Char(',')) << Qt::endl;
    }

private:
    int pick(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(m_random); }

    void step()
    {
        // Both users come back to the first record often, so they meet
        // there; about as many records go as come.
        const int roll = pick(100);
        if (roll < 14)
            move(Qt::Key_PageDown);
        else if (roll < 22)
            move(Qt::Key_PageUp);
        else if (roll < 32)
            move(Qt::Key_PageUp, Qt::ControlModifier);
        else if (roll < 36)
            move(Qt::Key_PageDown, Qt::ControlModifier);
        else if (roll < 68)
            edit(false);
        else if (roll < 76)
            edit(true);
        else if (roll < 82)
            add();
        else if (roll < 87)
            remove();
        else
            filter();
    }

    qint64 currentKey() const
    {
        CDataMgr *records = m_driver.records();
        return records ? records->GetCurrentKey() : -1;
    }

    QString nextValue() { return QStringLiteral("%1-%2").arg(m_tag).arg(++m_written); }

    void write(const QStringList &fields) { m_log << fields.join(QLatin1Char('\t')) << '\n'; }

    // Every message of the operation that is not one of expected.
    void reportUnexpected(const QStringList &expected = {})
    {
        for (const RecordingMessages::Message &message : m_messages.messages()) {
            if (m_failover && isOutage(message))
                write({QStringLiteral("outage")});
            else if (!expected.contains(message.text) || !message.scripted)
                write({QStringLiteral("unexpected"), oneLine(message.text)});
        }
    }

    static bool isOutage(const RecordingMessages::Message &message)
    {
        return message.text.startsWith(QLatin1String("Die Verbindung zur Datenbank"));
    }

    // Does what the user does (a key, a menu command), with answer ready
    // for a question. In a failover a user told that the connection is gone
    // tries again, every quarter of a second, until it holds; false when it
    // never did. inDoubt: an attempt was told that its save may have landed.
    bool attempt(const std::function<void()> &act, Answer answer = Answer::Cancel,
                 bool *inDoubt = nullptr)
    {
        QElapsedTimer outage;
        for (;;) {
            m_messages.clear();
            m_messages.answer(answer);
            QElapsedTimer clock;
            clock.start();
            act();
            m_longestPress = qMax(m_longestPress, clock.elapsed());
            const auto &told = m_messages.messages();
            const bool lost = m_failover && std::any_of(told.cbegin(), told.cend(), isOutage);
            if (!lost) {
                if (outage.isValid())
                    m_longestOutage = qMax(m_longestOutage, outage.elapsed());
                return true;
            }
            if (!outage.isValid())
                outage.start();
            write({QStringLiteral("outage")});
            for (const RecordingMessages::Message &message : told) {
                if (inDoubt && message.text.contains(QLatin1String("ungewiss")))
                    *inDoubt = true;
            }
            if (outage.elapsed() > kLongestOutageMs)
                return false;
            QTest::qWait(250);
        }
    }
    void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers) { m_driver.press(key, modifiers); }

    static QString oneLine(QString text)
    {
        return text.replace(QLatin1Char('\t'), QLatin1Char(' '))
            .replace(QLatin1Char('\r'), QLatin1Char(' '))
            .replace(QLatin1Char('\n'), QLatin1Char(' '));
    }

    void move(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        attempt([&] { pressKey(key, modifiers); });
        write({QStringLiteral("move")});
        reportUnexpected();
    }

    // Reads the current record again after a refused save: away without
    // saving and to the first record, as a user who starts over does.
    void reread()
    {
        attempt([&] { pressKey(Qt::Key_PageUp, Qt::ControlModifier); }, Answer::No);
        reportUnexpected({kSaveQuestion});
        if (m_driver.form()->isAnyControlModified())
            write(
                {QStringLiteral("error"), QStringLiteral("the entry stayed after reading again")});
    }

    void edit(bool takeBack)
    {
        const qint64 key = currentKey();
        if (key < 0) {
            // A new, empty record (nothing left under the filter): no edit
            // of a stored record here.
            unfilter();
            return;
        }
        const QString field = QString::fromLatin1(kFields[pick(2)]);
        const QString seen = m_driver.shown(field);
        const QString value = nextValue();
        if (!m_driver.retype(field, value)) {
            write({QStringLiteral("error"), QStringLiteral("cannot type into ") + field});
            return;
        }
        if (takeBack) {
            attempt([&] { pressKey(Qt::Key_Y, Qt::ControlModifier); }, Answer::Yes);
            reportUnexpected({kUndoQuestion});
            write({QStringLiteral("undone"), QString::number(key), field, value});
            // Undo reads the row again: what shows is what is stored now,
            // which another user may have changed since; never the entry.
            if (m_driver.shown(field) == value)
                write({QStringLiteral("error"),
                       QStringLiteral("undo left the entry '%1' (was '%2')").arg(value, seen)});
            return;
        }
        // A conflict with another user's save is cancelled: the user
        // decides on no value and reads the record again.
        const QString keyText = QString::number(key);
        bool inDoubt = false;
        if (!attempt([&] { pressKey(Qt::Key_S, Qt::ControlModifier); }, Answer::Cancel, &inDoubt)) {
            write({QStringLiteral("gaveup"), keyText, field, value});
            reread();
            return;
        }
        if (inDoubt)
            write({QStringLiteral("indoubt"), keyText, field, value});
        if (m_messages.messages().isEmpty()) {
            m_messages.clear(); // the answer was not needed
            write({QStringLiteral("save"), keyText, field, seen, value});
            return;
        }
        const RecordingMessages::Message &told = m_messages.messages().first();
        const QString text = told.text;
        // One field was edited, so a conflict can only be about that one.
        const bool changed = told.kind == RecordingMessages::Kind::Conflicts;
        const bool deleted = text.contains(kDeleted);
        if (m_messages.messages().size() != 1 || (!changed && !deleted)) {
            reportUnexpected();
            write(
                {QStringLiteral("refused"), keyText, field, seen, value, QStringLiteral("other")});
        } else {
            write({QStringLiteral("refused"), keyText, field, seen, value,
                   changed ? QStringLiteral("changed") : QStringLiteral("deleted")});
        }
        if (m_driver.shown(field) != value)
            write({QStringLiteral("error"),
                   QStringLiteral("the refused entry '%1' is gone").arg(value)});
        reread();
    }

    void add()
    {
        // Away from a record the connection could not leave, the keys
        // would go into that record.
        if (!attempt([&] { pressKey(Qt::Key_N, Qt::ControlModifier); }) || currentKey() >= 0) {
            reportUnexpected();
            return;
        }
        reportUnexpected();
        m_messages.clear();
        const QString name = nextValue();
        const QString place = nextValue();
        if (!m_driver.retype(QStringLiteral("name"), name) ||
            !m_driver.retype(QStringLiteral("ort"), place)) {
            write({QStringLiteral("error"), QStringLiteral("cannot type into a new record")});
            return;
        }
        bool inDoubt = false;
        if (!attempt([&] { pressKey(Qt::Key_S, Qt::ControlModifier); }, Answer::Cancel, &inDoubt)) {
            write({QStringLiteral("gaveup"), QString(), QStringLiteral("name"), name});
            reread();
            return;
        }
        if (inDoubt)
            write({QStringLiteral("indoubt"), QString(), QStringLiteral("name"), name});
        if (!m_messages.messages().isEmpty()) {
            // Counted as a failed insert, the message with it.
            write({QStringLiteral("insertfailed"), name, oneLine(m_messages.texts().join(' '))});
            reread();
            return;
        }
        const qint64 key = m_driver.manager()->GetLastUpdateKey();
        write({QStringLiteral("insert"), QString::number(key), name, place});
    }

    void remove()
    {
        const qint64 key = currentKey();
        if (key < 0) {
            unfilter();
            return;
        }
        bool chosen = true;
        attempt([&] { chosen = m_driver.choose(CommandTable::IdRecordDelete); }, Answer::Yes);
        if (!chosen) {
            write({QStringLiteral("error"), QStringLiteral("no delete in the menu")});
            return;
        }
        if (m_messages.questions() != QStringList{kDeleteQuestion}) {
            reportUnexpected({kDeleteQuestion});
            return;
        }
        write({QStringLiteral("delete"), QString::number(key)});
        // The other user deleted it first: the user is told, nothing more.
        reportUnexpected({kDeleteQuestion, kDeletedFirst});
    }

    void filter()
    {
        if (m_filtered) {
            unfilter();
            return;
        }
        const QString condition = QString::fromLatin1(kFilters[pick(std::size(kFilters))]);
        attempt([&] { m_dialog.GetFormHost()->ChangeFilter(condition); });
        m_filtered = true;
        write({QStringLiteral("filter"), condition});
        reportUnexpected();
    }

    void unfilter()
    {
        if (!m_filtered) {
            move(Qt::Key_PageUp, Qt::ControlModifier);
            return;
        }
        bool chosen = true;
        attempt([&] { chosen = m_driver.choose(CommandTable::IdRecordRemoveFilter); });
        if (!chosen)
            write({QStringLiteral("error"), QStringLiteral("no 'Filter entfernen' in the menu")});
        m_filtered = false;
        write({QStringLiteral("unfilter")});
        reportUnexpected();
    }

    // Declared first: the dialog asks through them until it is gone.
    RecordingMessages m_messages;
    ScopedUserMessages m_scope{m_messages};
    CFormDlg m_dialog;
    FormDriver m_driver;
    QString m_tag;
    std::mt19937 m_random;
    QTextStream &m_log;
    int m_written = 0;
    bool m_failover = false;
    bool m_filtered = false;
    qint64 m_longest = 0;
    qint64 m_longestPress = 0;
    qint64 m_longestOutage = 0;
    QStringList m_waits;
};

//   args: database, server, tag, seed, operations, log file, "failover" or ""
QRT_CHILD_ACTION(soakUser, [](const QStringList &args) {
    BenchDatabase db;
    db.postgres = true;
    db.name = args.value(0);
    db.server = args.value(1);
    QFile file(args.value(5));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 2;
    QTextStream log(&file);
    const bool failover = args.value(6) == QLatin1String("failover");
    const QString document = formDocument(db, false);
    // A user whose form could not open while no server took connections
    // opens it again, as in any other outage.
    QElapsedTimer opening;
    opening.start();
    std::optional<SoakUser> user;
    for (;;) {
        user.emplace(document, args.value(2), args.value(3).toUInt(), log, failover);
        if (user->open())
            break;
        if (!failover || opening.elapsed() > kLongestOutageMs)
            return 3;
        user.reset();
        QTest::qWait(250);
    }
    user->run(args.value(4).toInt());
    log.flush();
    return 0;
});

// --- the check ----------------------------------------------------------------------

struct Row
{
    QString name;
    QString ort;
    bool operator==(const Row &other) const { return name == other.name && ort == other.ort; }
};

// One committed change, as the trigger wrote it.
struct Change
{
    qint64 seq = 0;
    QChar op; // I, U, D
    qint64 id = 0;
    Row before;
    Row after;
    bool explained = false;
};

// A write a user was told landed, placed where it took effect.
struct Landed
{
    QChar op; // I, U, D
    qint64 key = 0;
    QString field; // of a save
    Row values;    // a save's value in its field, a new record's both
};

QString &fieldOf(Row &row, const QString &field)
{
    return field == QLatin1String("name") ? row.name : row.ort;
}

const QString &fieldOf(const Row &row, const QString &field)
{
    return field == QLatin1String("name") ? row.name : row.ort;
}

struct SoakFigures
{
    QMap<QString, qint64> counts;
    QStringList faults; // what broke an invariant, a few of each kind

    void add(const char *name, qint64 by = 1) { counts[QString::fromLatin1(name)] += by; }
    void fault(const char *name, const QString &detail)
    {
        add(name);
        if (faults.size() < 40)
            faults << QString::fromLatin1(name) + QStringLiteral(": ") + detail;
    }
};

QMap<qint64, Row> readRows(QSqlDatabase &connection)
{
    QMap<qint64, Row> rows;
    QSqlQuery query(connection);
    if (!query.exec(QStringLiteral("SELECT id, COALESCE(name, ''), COALESCE(ort, '') FROM kunden")))
        throw std::runtime_error("cannot read kunden");
    while (query.next())
        rows.insert(query.value(0).toLongLong(),
                    {query.value(1).toString(), query.value(2).toString()});
    return rows;
}

QVector<Change> readAudit(QSqlDatabase &connection)
{
    QVector<Change> changes;
    QSqlQuery query(connection);
    if (!query.exec(QStringLiteral(
            "SELECT seq, op, id, COALESCE(old_name, ''), COALESCE(old_ort, ''), "
            "COALESCE(new_name, ''), COALESCE(new_ort, '') FROM soak_audit ORDER BY seq")))
        throw std::runtime_error("cannot read soak_audit");
    while (query.next()) {
        Change change;
        change.seq = query.value(0).toLongLong();
        change.op = query.value(1).toString().at(0);
        change.id = query.value(2).toLongLong();
        change.before = {query.value(3).toString(), query.value(4).toString()};
        change.after = {query.value(5).toString(), query.value(6).toString()};
        changes << change;
    }
    return changes;
}

// The check of the programs' logs against the audit and the final table.
void check(const QStringList &logs, const QMap<qint64, Row> &initial, QVector<Change> audit,
           const QMap<qint64, Row> &final, SoakFigures &figures)
{
    // Where each written value went: values are unique per program and
    // write, so a value identifies its change.
    QHash<QString, int> byValue;
    QMultiHash<qint64, int> deletesOf;
    for (int i = 0; i < audit.size(); ++i) {
        const Change &change = audit.at(i);
        if (change.op == QLatin1Char('D')) {
            deletesOf.insert(change.id, i);
            continue;
        }
        for (const QString &field : {QStringLiteral("name"), QStringLiteral("ort")}) {
            if (change.op == QLatin1Char('I') ||
                fieldOf(change.after, field) != fieldOf(change.before, field))
                byValue.insert(field + QLatin1Char('=') + fieldOf(change.after, field), i);
        }
    }
    auto changeOf = [&](const QString &field, const QString &value) {
        return byValue.value(field + QLatin1Char('=') + value, -1);
    };

    QMap<qint64, int> deletesAsked;
    QMap<qint64, Landed> landed; // by the audit's sequence number
    for (const QString &log : logs) {
        for (const QString &line : log.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList part = line.split(QLatin1Char('\t'));
            const QString &kind = part.at(0);
            figures.add(qPrintable(QStringLiteral("op_") + kind));
            if (kind == QLatin1String("save")) {
                const qint64 key = part.value(1).toLongLong();
                const QString &field = part.value(2);
                const int at = changeOf(field, part.value(4));
                if (at < 0 || audit.at(at).op != QLatin1Char('U') || audit.at(at).id != key) {
                    figures.fault("lost", QStringLiteral("%1 of record %2 was saved, the server "
                                                         "has no such change")
                                              .arg(part.value(4))
                                              .arg(key));
                    continue;
                }
                Change &change = audit[at];
                change.explained = true;
                Landed save{QLatin1Char('U'), key, field, {}};
                fieldOf(save.values, field) = part.value(4);
                landed.insert(change.seq, save);
                if (fieldOf(change.before, field) != part.value(3))
                    figures.fault("overwritten_unseen",
                                  QStringLiteral("%1 of record %2 replaced '%3', the user saw '%4'")
                                      .arg(part.value(4))
                                      .arg(key)
                                      .arg(fieldOf(change.before, field), part.value(3)));
            } else if (kind == QLatin1String("refused") || kind == QLatin1String("undone")) {
                const bool refused = kind == QLatin1String("refused");
                const QString &field = part.value(2);
                const QString &value = part.value(refused ? 4 : 3);
                if (changeOf(field, value) >= 0)
                    figures.fault(refused ? "stored_though_refused" : "stored_though_undone",
                                  value);
                if (!refused)
                    continue;
                figures.add(qPrintable(QStringLiteral("refused_") + part.value(5)));
                // A refusal needs a reason: another user changed the field
                // away from what this user saw, or deleted the row.
                const qint64 key = part.value(1).toLongLong();
                bool reason = deletesOf.contains(key);
                for (const Change &change : std::as_const(audit)) {
                    if (reason)
                        break;
                    reason = change.id == key && change.op == QLatin1Char('U') &&
                             fieldOf(change.before, field) == part.value(3) &&
                             fieldOf(change.after, field) != part.value(3);
                }
                if (!reason)
                    figures.fault("refused_without_reason",
                                  QStringLiteral("%1 of record %2").arg(value).arg(key));
            } else if (kind == QLatin1String("insert")) {
                const qint64 key = part.value(1).toLongLong();
                const int at = changeOf(QStringLiteral("name"), part.value(2));
                if (at < 0 || audit.at(at).op != QLatin1Char('I') || audit.at(at).id != key ||
                    audit.at(at).after.ort != part.value(3)) {
                    figures.fault("lost", QStringLiteral("new record %1 (%2) is not stored")
                                              .arg(key)
                                              .arg(part.value(2)));
                    continue;
                }
                audit[at].explained = true;
                landed.insert(audit.at(at).seq,
                              {QLatin1Char('I'), key, QString(), {part.value(2), part.value(3)}});
            } else if (kind == QLatin1String("insertfailed")) {
                // Every new record must be stored: its key is computed again
                // after a collision, so a failed insert is a fault.
                figures.fault("inserts_failed", part.mid(1).join(QLatin1Char(' ')));
                if (changeOf(QStringLiteral("name"), part.value(1)) >= 0)
                    figures.fault("stored_though_refused", part.value(1));
            } else if (kind == QLatin1String("delete")) {
                ++deletesAsked[part.value(1).toLongLong()];
            } else if (kind == QLatin1String("gaveup")) {
                figures.fault("gave_up", part.mid(1).join(QLatin1Char(' ')));
            } else if (kind == QLatin1String("unexpected")) {
                figures.fault("unexpected_messages", part.mid(1).join(' '));
            } else if (kind == QLatin1String("error")) {
                figures.fault("driver_errors", part.mid(1).join(' '));
            }
        }
    }
    // A delete removes a row once; the same record deleted by both users
    // removes it once, and the second delete finds nothing.
    for (auto asked = deletesAsked.cbegin(); asked != deletesAsked.cend(); ++asked) {
        const QList<int> done = deletesOf.values(asked.key());
        for (int i = 0; i < done.size() && i < asked.value(); ++i) {
            audit[done.at(i)].explained = true;
            landed.insert(audit.at(done.at(i)).seq, {QLatin1Char('D'), asked.key(), {}, {}});
        }
        figures.add("deletes_already_gone", qMax<qint64>(0, asked.value() - done.size()));
    }
    figures.add("deletes", qint64(deletesOf.size()));

    // Every write the server did is one a user was told landed.
    for (const Change &change : std::as_const(audit)) {
        if (!change.explained)
            figures.fault("unexplained_writes",
                          QStringLiteral("%1 of record %2").arg(change.op).arg(change.id));
    }
    // The table is what the landed writes give, applied in the order they
    // took effect: a save sets its one field, nothing else of the row.
    QMap<qint64, Row> expected = initial;
    for (const Landed &write : std::as_const(landed)) {
        if (write.op == QLatin1Char('D'))
            expected.remove(write.key);
        else if (write.op == QLatin1Char('I'))
            expected.insert(write.key, write.values);
        else if (expected.contains(write.key))
            fieldOf(expected[write.key], write.field) = fieldOf(write.values, write.field);
    }
    for (auto row = expected.cbegin(); row != expected.cend(); ++row) {
        if (!final.contains(row.key()))
            figures.fault("lost", QStringLiteral("record %1 is missing").arg(row.key()));
        else if (!(final.value(row.key()) == row.value()))
            figures.fault("lost",
                          QStringLiteral("record %1 holds '%2'/'%3', the last saves '%4'/'%5'")
                              .arg(row.key())
                              .arg(final.value(row.key()).name, final.value(row.key()).ort,
                                   row.value().name, row.value().ort));
    }
    for (auto row = final.cbegin(); row != final.cend(); ++row) {
        if (!expected.contains(row.key()))
            figures.fault("unexplained_writes",
                          QStringLiteral("record %1 should not exist").arg(row.key()));
    }
}

// --- the run --------------------------------------------------------------------------

struct Options
{
    int ops = 10000;
    quint32 seed = 1;
    int rows = 20;
    QString server;
    QString pgDir;
    int programs = 2;
    bool pooler = false;
    bool failover = false;
    bool keep = false;
};

Options parseOptions(const QStringList &arguments)
{
    Options options;
    const QHash<QString, bool *> flags = {{QStringLiteral("--keep"), &options.keep},
                                          {QStringLiteral("--pooler"), &options.pooler},
                                          {QStringLiteral("--failover"), &options.failover}};
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (bool *flag = flags.value(argument)) {
            *flag = true;
            continue;
        }
        const QString value = arguments.value(++i);
        if (argument == QLatin1String("--ops"))
            options.ops = value.toInt();
        else if (argument == QLatin1String("--seed"))
            options.seed = value.toUInt();
        else if (argument == QLatin1String("--rows"))
            options.rows = value.toInt();
        else if (argument == QLatin1String("--server"))
            options.server = value;
        else if (argument == QLatin1String("--pg-dir"))
            options.pgDir = value;
        else if (argument == QLatin1String("--programs"))
            options.programs = value.toInt();
        else
            throw std::runtime_error("unknown option " + argument.toStdString());
    }
    if (options.ops <= 0 || options.rows <= 0)
        throw std::runtime_error("--ops and --rows take a number above 0");
    if (options.programs < 1 || options.programs > kMostPrograms)
        throw std::runtime_error("--programs takes 1 to 100");
    if ((options.pooler || options.failover) &&
        (!options.server.isEmpty() || !options.pgDir.isEmpty()))
        throw std::runtime_error("--pooler and --failover start servers of their own");
    return options;
}

void execAll(QSqlDatabase &connection, const QStringList &statements)
{
    for (const QString &sql : statements)
        execSql(connection, sql);
}

// The audit of every committed change of kunden, in the order the changes
// took effect.
const QStringList kAuditSql = {
    QStringLiteral("CREATE TABLE soak_audit (seq BIGSERIAL PRIMARY KEY, op CHAR(1) NOT NULL, "
                   "id INT NOT NULL, old_name VARCHAR(50), new_name VARCHAR(50), "
                   "old_ort VARCHAR(40), new_ort VARCHAR(40))"),
    QStringLiteral(
        "CREATE FUNCTION soak_audit_row() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
        "IF TG_OP = 'INSERT' THEN INSERT INTO soak_audit (op, id, new_name, new_ort) "
        "VALUES ('I', NEW.id, NEW.name, NEW.ort); "
        "ELSIF TG_OP = 'UPDATE' THEN INSERT INTO soak_audit (op, id, old_name, new_name, "
        "old_ort, new_ort) VALUES ('U', NEW.id, OLD.name, NEW.name, OLD.ort, NEW.ort); "
        "ELSE INSERT INTO soak_audit (op, id, old_name, old_ort) "
        "VALUES ('D', OLD.id, OLD.name, OLD.ort); END IF; RETURN NULL; END $$"),
    QStringLiteral("CREATE TRIGGER kunden_soak_audit AFTER INSERT OR UPDATE OR DELETE ON kunden "
                   "FOR EACH ROW EXECUTE FUNCTION soak_audit_row()"),
};

QString poolerOf(const PgServer &server)
{
    QFile port(server.stateFolder() + QStringLiteral("/pooler-port"));
    if (!port.open(QIODevice::ReadOnly))
        throw std::runtime_error("no PgBouncer (pgbouncer is not installed)");
    return QStringLiteral("127.0.0.1:") + QString::fromLatin1(port.readAll()).trimmed();
}

double figureOf(const QString &output, const char *name)
{
    return QRegularExpression(QString::fromLatin1(name) + QStringLiteral("=(\\d+)"))
        .match(output)
        .captured(1)
        .toDouble();
}

// The primary's machine goes down once the users have written about a
// third of what they will write (the server crashes, its pooler goes with
// it); two seconds later the standby is promoted, as a failover tool does.
class Failover
{
public:
    Failover(PgServer &primary, PgServer &standby, const BenchDatabase &direct, qint64 writes)
    {
        m_clock.start();
        m_thread = std::thread(
            [this, &primary, &standby, direct, writes] { run(primary, standby, direct, writes); });
    }
    ~Failover() { finish(); }

    // The users are done: stops waiting for them, if it still does.
    void finish()
    {
        m_usersDone = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    double killedAfterMs() const { return double(m_killedAfter); }
    double promotedAfterMs() const { return double(m_promotedAfter); }
    QString error() const { return m_error; }

private:
    void run(PgServer &primary, PgServer &standby, const BenchDatabase &direct, qint64 writes)
    {
        const QString name = QStringLiteral("soak-watch");
        try {
            QSqlDatabase watch = direct.open(name);
            QSqlQuery count(watch);
            while (!m_usersDone &&
                   !(count.exec(QStringLiteral("SELECT COUNT(*) FROM soak_audit")) &&
                     count.next() && count.value(0).toLongLong() >= writes))
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } catch (const std::exception &error) {
            m_error = QString::fromLocal8Bit(error.what());
        }
        QSqlDatabase::removeDatabase(name);
        if (m_usersDone || !m_error.isEmpty()) {
            if (m_error.isEmpty())
                m_error = QStringLiteral("the users were done before the failover");
            return;
        }
        m_killedAfter = m_clock.elapsed();
        if (!primary.signalAtOnce(SIGKILL) || !primary.stopPooler()) {
            m_error = QStringLiteral("the primary did not go down: ") + primary.error();
            return;
        }
        std::this_thread::sleep_for(std::chrono::seconds(2));
        if (!standby.promote()) {
            m_error = QStringLiteral("the standby was not promoted: ") + standby.error();
            return;
        }
        m_promotedAfter = m_clock.elapsed();
    }

    QElapsedTimer m_clock;
    std::atomic<bool> m_usersDone{false};
    qint64 m_killedAfter = -1;
    qint64 m_promotedAfter = -1;
    QString m_error;
    std::thread m_thread;
};

void printFigure(const char *name, double value)
{
    std::printf("metric=%s value=%.10g\n", name, value);
}

int soak(const Options &options)
{
    QTemporaryDir temporary;
    temporary.setAutoRemove(!options.keep);
    std::unique_ptr<PgServer> ownServer;
    std::unique_ptr<PgServer> standby;
    QString server = options.server;
    if (!options.pgDir.isEmpty()) {
        QFile portFile(options.pgDir + QStringLiteral("/port"));
        if (!portFile.open(QIODevice::ReadOnly))
            throw std::runtime_error("no PostgreSQL server in " + options.pgDir.toStdString());
        server = QStringLiteral("127.0.0.1:") + QString::fromLatin1(portFile.readAll()).trimmed();
    } else if (server.isEmpty()) {
        // Ten server sessions for all the programs, where a pooler is asked for.
        qputenv("QRT_POOL_SIZE", "10");
        ownServer = std::make_unique<PgServer>(temporary.filePath(QStringLiteral("pg")));
        if (!ownServer->isRunning())
            throw std::runtime_error("no PostgreSQL server: " + ownServer->error().toStdString());
        if (options.failover) {
            standby = std::make_unique<PgServer>(temporary.filePath(QStringLiteral("standby")),
                                                 *ownServer);
            if (!standby->isRunning())
                throw std::runtime_error("no standby: " + standby->error().toStdString());
        }
        server = options.pooler ? poolerOf(*ownServer) : ownServer->server();
        if (standby)
            server += QLatin1Char(',') + (options.pooler ? poolerOf(*standby) : standby->server()) +
                      QStringLiteral(" target_session_attrs=read-write");
    }

    // The users connect through server; setting up and checking go
    // straight to the server that takes changes (after a failover, the
    // promoted standby).
    BenchDatabase admin;
    admin.postgres = true;
    admin.name = QStringLiteral("postgres");
    admin.server = ownServer ? ownServer->server() : server;
    BenchDatabase db = admin;
    db.name = QStringLiteral("qrt_soak_%1").arg(QCoreApplication::applicationPid());
    BenchDatabase direct = db;
    db.server = server;
    {
        QSqlDatabase connection = admin.open(QStringLiteral("soak-admin"));
        execSql(connection, QStringLiteral("CREATE DATABASE ") + db.name);
        if (standby) {
            // A commit is acknowledged once the standby has it too: a
            // failover then loses no save its user was told landed.
            execSql(connection, QStringLiteral("ALTER SYSTEM SET synchronous_standby_names = '*'"));
            execSql(connection, QStringLiteral("SELECT pg_reload_conf()"));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("soak-admin"));
    auto dropDatabase = [&] {
        if (options.keep) {
            std::fprintf(stderr, "kept database %s on %s, the users' logs in %s\n",
                         qPrintable(db.name), qPrintable(server), qPrintable(temporary.path()));
            return;
        }
        if (standby)
            return; // both servers go with the run
        {
            QSqlDatabase connection = admin.open(QStringLiteral("soak-drop"));
            execSql(connection,
                    QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(db.name));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("soak-drop"));
    };

    int status = 1;
    try {
        createKunden(direct, options.rows);
        {
            RecordingMessages messages; // saving the generated form asks nothing
            ScopedUserMessages scope(messages);
            CFormDlg editor(formDocument(db, true), false);
            if (!editor.GetFormHost() || !editor.GetFormHost()->DateiSpeichern())
                throw std::runtime_error("the Kunden form could not be generated and saved: " +
                                         messages.texts().join(' ').toStdString());
        }
        QMap<qint64, Row> initial;
        {
            QSqlDatabase connection = direct.open(QStringLiteral("soak-setup"));
            execAll(connection, kAuditSql);
            initial = readRows(connection);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("soak-setup"));

        QVector<QStringList> arguments;
        for (int i = 0; i < options.programs; ++i) {
            arguments << QStringList{db.name,
                                     db.server,
                                     QStringLiteral("P%1").arg(i + 1),
                                     QString::number(options.seed * 7919 + quint32(i)),
                                     QString::number(options.ops),
                                     temporary.filePath(QStringLiteral("user%1.log").arg(i)),
                                     standby ? QStringLiteral("failover") : QString()};
        }
        QElapsedTimer clock;
        clock.start();
        std::unique_ptr<Failover> failover;
        if (standby)
            failover = std::make_unique<Failover>(*ownServer, *standby, direct,
                                                  qint64(options.programs) * options.ops / 8);
        // A hang is a finding too: a generous second per operation.
        const QVector<ChildProcess::Result> results =
            ChildProcess::runEach("soakUser", arguments, options.ops + 600);
        const double seconds = double(clock.elapsed()) / 1000.0;
        if (failover) {
            failover->finish();
            direct.server = standby->server();
        }

        SoakFigures figures;
        QStringList logs;
        double longest = 0;
        double longestPress = 0;
        double longestOutage = 0;
        QVector<int> waits;
        for (int i = 0; i < results.size(); ++i) {
            const ChildProcess::Result &result = results.at(i);
            if (result.exitCode != 0) {
                figures.fault("crashes", QStringLiteral("user %1 ended with %2: %3")
                                             .arg(i)
                                             .arg(result.exitCode)
                                             .arg(result.output.right(2000)));
            }
            const QRegularExpressionMatch match =
                QRegularExpression(QStringLiteral("longest_ms=(\\d+)")).match(result.output);
            longest = qMax(longest, match.captured(1).toDouble());
            longestPress = qMax(longestPress, figureOf(result.output, "longest_press_ms"));
            longestOutage = qMax(longestOutage, figureOf(result.output, "longest_outage_ms"));
            const QString waitList = QRegularExpression(QStringLiteral("waits_ms=([0-9,]*)"))
                                         .match(result.output)
                                         .captured(1);
            for (const QString &wait : waitList.split(QLatin1Char(','), Qt::SkipEmptyParts))
                waits << wait.toInt();
            QFile log(arguments.at(i).at(5));
            if (log.open(QIODevice::ReadOnly))
                logs << QString::fromUtf8(log.readAll());
        }

        QMap<qint64, Row> final;
        QVector<Change> audit;
        qint64 duplicates = 0;
        {
            QSqlDatabase connection = direct.open(QStringLiteral("soak-check"));
            final = readRows(connection);
            audit = readAudit(connection);
            duplicates =
                scalarSql(connection, QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT id) "
                                                     "FROM kunden"))
                    .toLongLong();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("soak-check"));
        check(logs, initial, audit, final, figures);
        if (duplicates > 0)
            figures.fault("duplicate_keys", QString::number(duplicates));

        const auto count = [&](const char *name) {
            return double(figures.counts.value(QString::fromLatin1(name)));
        };
        const double inserts = count("op_insert");
        const double deletes = count("deletes");
        const double expectedRows = double(initial.size()) + inserts - deletes;
        if (double(final.size()) != expectedRows)
            figures.fault("row_count", QStringLiteral("%1 rows, %2 + %3 - %4 expected")
                                           .arg(final.size())
                                           .arg(initial.size())
                                           .arg(inserts)
                                           .arg(deletes));

        if (failover && !failover->error().isEmpty())
            figures.fault("failover_missing", failover->error());
        std::printf("# bench_soak programs=%d ops_each=%d seed=%u rows=%d pooler=%d failover=%d\n",
                    options.programs, options.ops, options.seed, options.rows, int(options.pooler),
                    int(options.failover));
        printFigure("ops", double(options.programs) * options.ops);
        printFigure("moves", count("op_move"));
        printFigure("filters_set", count("op_filter"));
        printFigure("filters_removed", count("op_unfilter"));
        printFigure("saves_landed", count("op_save"));
        printFigure("saves_refused", count("op_refused"));
        printFigure("refused_changed", count("refused_changed"));
        printFigure("refused_deleted", count("refused_deleted"));
        printFigure("undone", count("op_undone"));
        printFigure("inserts", inserts);
        printFigure("deletes", deletes);
        printFigure("deletes_already_gone", count("deletes_already_gone"));
        printFigure("rows_initial", double(initial.size()));
        printFigure("rows_final", double(final.size()));
        printFigure("rows_expected", expectedRows);
        static const char *const kFaults[] = {"lost",
                                              "inserts_failed",
                                              "overwritten_unseen",
                                              "stored_though_refused",
                                              "stored_though_undone",
                                              "refused_without_reason",
                                              "unexplained_writes",
                                              "duplicate_keys",
                                              "row_count",
                                              "crashes",
                                              "unexpected_messages",
                                              "driver_errors",
                                              "gave_up",
                                              "failover_missing"};
        bool clean = true;
        for (const char *fault : kFaults) {
            printFigure(fault, count(fault));
            clean = clean && count(fault) == 0;
        }
        printFigure("longest_wait_ms", longest);
        if (failover) {
            // An operation of the outage counts from the first press to the
            // one that went through, the user trying again meanwhile.
            printFigure("failover_killed_s", failover->killedAfterMs() / 1000.0);
            printFigure("failover_promoted_s", failover->promotedAfterMs() / 1000.0);
            printFigure("outage_messages", count("op_outage"));
            printFigure("saves_in_doubt", count("op_indoubt"));
            printFigure("longest_press_ms", longestPress);
            printFigure("longest_outage_ms", longestOutage);
        }
        std::sort(waits.begin(), waits.end());
        const auto percentile = [&waits](double p) {
            return waits.isEmpty() ? 0.0
                                   : double(waits.at(qsizetype(p * double(waits.size() - 1))));
        };
        printFigure("wait_median_ms", percentile(0.5));
        printFigure("wait_p99_ms", percentile(0.99));
        printFigure("seconds", seconds);
        for (const QString &fault : std::as_const(figures.faults))
            std::fprintf(stderr, "%s\n", qPrintable(fault));
        std::printf("soak %s: %d operations, %g saves landed, %g refused, %g lost, %g inserts "
                    "(%g failed), %g deletes, %g crashes, longest wait %g ms, %.0f s\n",
                    clean ? "passed" : "FAILED", options.programs * options.ops, count("op_save"),
                    count("op_refused"), count("lost") + count("overwritten_unseen"), inserts,
                    count("inserts_failed"), deletes, count("crashes"), longest, seconds);
        std::fflush(stdout);
        status = clean ? 0 : 1;
    } catch (...) {
        dropDatabase();
        throw;
    }
    dropDatabase();
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int exitCode = 0;
    if (ChildProcess::runIfChild(&exitCode))
        return exitCode;
    try {
        return soak(parseOptions(app.arguments()));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_soak: %s\n", error.what());
        return 1;
    }
}
