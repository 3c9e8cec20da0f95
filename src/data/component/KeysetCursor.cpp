#include "data/component/KeysetCursor.h"

KeySource::~KeySource() = default;
KeyEnds::~KeyEnds() = default;

bool KeyEnds::readsFromRows() const
{
    return false;
}

void KeyEnds::readFirst(KeyStore &keys, qsizetype rows)
{
    Q_UNUSED(keys);
    Q_UNUSED(rows);
}

int KeyEnds::hasKey(const QVariantList &key)
{
    Q_UNUSED(key);
    return -1;
}

bool KeyEnds::readFrom(const QVariantList &key, bool forward, qsizetype rows, KeyStore &keys)
{
    Q_UNUSED(key);
    Q_UNUSED(forward);
    Q_UNUSED(rows);
    Q_UNUSED(keys);
    return false;
}

bool KeyEnds::readAt(qint64 index, KeyStore &keys)
{
    Q_UNUSED(index);
    Q_UNUSED(keys);
    return false;
}

qint64 KeyEnds::countBefore(const QVariantList &key)
{
    Q_UNUSED(key);
    return -1;
}

namespace {
constexpr qsizetype kMaxBatch = 65536;
// Neighbours tried, each way, to place a row the complete list lacks.
constexpr qsizetype kNeighbourTries = 16;
} // namespace

KeysetCursor::KeysetCursor(KeyStore keys, std::unique_ptr<KeySource> source)
    : m_keys(std::move(keys)), m_tail(m_keys.emptyCopy()), m_added(m_keys.emptyCopy()),
      m_window(m_keys.emptyCopy()), m_source(std::move(source)), m_removedKeys(m_keys.emptyCopy())
{
    // Read the first batch now, so that BOF and EOF are known after opening.
    ensureKey(0);
    if (!m_keys.isEmpty())
        m_where = Where::InKeys;
    m_index = 0;
}

KeysetCursor::KeysetCursor(KeyStore head, std::unique_ptr<KeyEnds> ends, bool headRead)
    : m_keys(std::move(head)), m_tail(m_keys.emptyCopy()), m_added(m_keys.emptyCopy()),
      m_window(m_keys.emptyCopy()), m_removedKeys(m_keys.emptyCopy())
{
    m_headRead = headRead;
    if (m_keys.size() >= kEndKeys || !headRead)
        m_ends = std::move(ends);
    if (!m_keys.isEmpty())
        m_where = Where::InKeys;
}

bool KeysetCursor::hasRow() const
{
    return !m_deleted && (m_where == Where::InKeys || m_where == Where::InTail ||
                          m_where == Where::InWindow || m_where == Where::InAdded);
}

bool KeysetCursor::ensureKey(qsizetype index)
{
    while (index >= m_keys.size() && m_source) {
        const bool more = m_source->read(m_keys, m_batch);
        m_batch = qMin(m_batch * 2, kMaxBatch);
        if (!more)
            m_source.reset();
    }
    return index < m_keys.size();
}

bool KeysetCursor::completeKeys(bool wait)
{
    if (m_source && wait) {
        while (m_source) {
            if (!m_source->read(m_keys, kMaxBatch))
                m_source.reset();
        }
    }
    if (m_ends) {
        KeyStore all = m_keys.emptyCopy();
        if (m_ends->takeAll(all, wait))
            adopt(std::move(all));
    }
    return isComplete();
}

void KeysetCursor::poll()
{
    if (m_ends)
        completeKeys(false);
}

void KeysetCursor::loadHead()
{
    if (m_headRead || !m_ends)
        return;
    m_headRead = true;
    KeyStore head = m_keys.emptyCopy();
    m_ends->readFirst(head, kEndKeys);
    // What this cursor deleted, or added (they stay after the query's
    // rows), the head does not show again.
    for (qsizetype i = head.size() - 1; i >= 0; --i) {
        const QVariantList key = head.at(i);
        if (m_removedKeys.indexOf(key) >= 0 || m_added.indexOf(key) >= 0)
            head.remove(i);
    }
    if (head.size() < kEndKeys) {
        adopt(std::move(head)); // the whole query
        return;
    }
    m_keys = std::move(head);
    ++m_shape;
}

void KeysetCursor::loadTail()
{
    loadHead(); // a tail is cut against the head
    if (!m_ends || m_tailRead)
        return;
    KeyStore tail = m_keys.emptyCopy();
    if (!m_ends->readLast(tail, kEndKeys))
        return; // no way from the end: the complete list it is
    m_tailRead = true;
    if (tail.size() < kEndKeys) {
        // The query ends within one tail: these are all of its keys (others
        // deleted rows since the head was read).
        adopt(std::move(tail));
        return;
    }
    // Read later than the head: a row the head holds already stays where the
    // head has it (the query overlaps itself when it has fewer rows than two
    // ends, and a row whose order changed since may come last now), and rows
    // added through the cursor stay where added rows are.
    for (qsizetype i = tail.size() - 1; i >= 0; --i) {
        const QVariantList key = tail.at(i);
        if (m_keys.indexOf(key) >= 0 || m_added.indexOf(key) >= 0)
            tail.remove(i);
    }
    m_tail = std::move(tail);
}

qsizetype KeysetCursor::slotFor(const KeyStore &list, qsizetype from, const KeyStore &all,
                                bool fromTail)
{
    for (qsizetype g = from; g < list.size() && g < from + kNeighbourTries; ++g) {
        const qsizetype found = all.indexOf(list.at(g));
        if (found >= 0)
            return found;
    }
    for (qsizetype g = from - 1; g >= 0 && g >= from - kNeighbourTries; --g) {
        const qsizetype found = all.indexOf(list.at(g));
        if (found >= 0)
            return found + 1;
    }
    return fromTail ? all.size() : 0;
}

void KeysetCursor::adopt(KeyStore all)
{
    // What this cursor did since the ends were read, the list may not know
    // yet (it may have been read before): rows deleted stay deleted, new
    // keys replace old ones, and added rows stay after the query's rows.
    for (qsizetype i = 0; i < m_removedKeys.size(); ++i) {
        const qsizetype found = all.indexOf(m_removedKeys.at(i));
        if (found >= 0)
            all.remove(found);
    }
    for (const auto &[old, renamed] : std::as_const(m_renamedKeys)) {
        const qsizetype found = all.indexOf(old);
        if (found < 0)
            continue;
        if (all.indexOf(renamed) >= 0)
            all.remove(found);
        else
            all.replace(found, renamed);
    }
    for (qsizetype i = 0; i < m_added.size(); ++i) {
        const qsizetype found = all.indexOf(m_added.at(i));
        if (found >= 0)
            all.remove(found);
    }

    // The current row by its key; a deleted one by the row that followed it.
    if (m_where == Where::InKeys || m_where == Where::InTail || m_where == Where::InWindow) {
        const bool fromTail = m_where == Where::InTail;
        const KeyStore &list = fromTail ? m_tail : m_where == Where::InWindow ? m_window : m_keys;
        qsizetype index = 0;
        if (m_deleted) {
            index = slotFor(list, m_index, all, fromTail);
        } else {
            const QVariantList key = list.at(m_index);
            index = all.indexOf(key);
            if (index < 0) {
                // No longer in the query: it stays, among its neighbours.
                index = slotFor(list, m_index + 1, all, fromTail);
                all.insert(index, key);
            }
        }
        m_where = Where::InKeys;
        m_index = index;
    }
    m_keys = std::move(all);
    m_tail = m_keys.emptyCopy();
    m_tailRead = false;
    m_headRead = true;
    dropWindow();
    m_ends.reset();
    ++m_shape;
    m_queryCount = -1;
    clearJournal();
}

void KeysetCursor::openWindow(const QVariantList &key, qint64 start)
{
    ++m_shape;
    m_window = m_keys.emptyCopy();
    m_window.append(key);
    m_windowStart = start;
    m_windowAtStart = start == 0;
    m_windowAtEnd = false;
    m_where = Where::InWindow;
    m_index = 0;
    m_deleted = false;
}

void KeysetCursor::dropWindow()
{
    m_window = m_keys.emptyCopy();
    m_windowStart = -1;
    m_windowAtStart = false;
    m_windowAtEnd = false;
}

KeysetCursor::Extension KeysetCursor::extendWindow(bool forward)
{
    if (forward ? m_windowAtEnd : m_windowAtStart)
        return Extension::Ended;
    if (!m_ends)
        return Extension::Unreadable;
    for (;;) {
        KeyStore read = m_keys.emptyCopy();
        // Every key of the window deleted through this cursor: on from the
        // row deleted last, whose place the engine still knows.
        if (m_window.isEmpty() && (!m_deleted || m_removedKeys.isEmpty()))
            return Extension::Unreadable;
        const QVariantList from = m_window.isEmpty() ? m_removedKeys.at(m_removedKeys.size() - 1)
                                  : forward          ? m_window.at(m_window.size() - 1)
                                                     : m_window.at(0);
        if (!m_ends->readFrom(from, forward, kEndKeys, read)) {
            // The row at the edge is gone (another user deleted it): it
            // leaves the window, and the next one is read from, unless it
            // is the current row or the last one.
            const qsizetype edge = forward ? m_window.size() - 1 : 0;
            if (m_window.size() <= 1 || (m_index == edge && !m_deleted))
                return Extension::Unreadable;
            m_window.remove(edge);
            ++m_shape;
            if (forward)
                m_index = qMin(m_index, m_window.size());
            else if (m_index > 0)
                --m_index;
            continue;
        }
        const bool last = read.size() < kEndKeys;
        qsizetype taken = 0;
        for (qsizetype i = 0; i < read.size(); ++i) {
            // Rows added through this cursor stay where added rows are.
            const QVariantList key = read.at(i);
            if (m_added.indexOf(key) >= 0)
                continue;
            if (forward) {
                m_window.append(key);
            } else {
                m_window.insert(0, key); // nearest first: each goes before the last
                ++m_index;
            }
            ++taken;
        }
        if (!forward) {
            ++m_shape;
            if (m_windowStart >= 0)
                m_windowStart -= read.size();
        }
        if (last) {
            if (forward) {
                m_windowAtEnd = true;
            } else {
                m_windowAtStart = true;
                m_windowStart = 0;
            }
        }
        if (taken > 0)
            return Extension::Grown;
        if (last)
            return Extension::Ended;
    }
}

void KeysetCursor::placeWindow()
{
    if (m_where != Where::InWindow || m_windowStart >= 0 || !m_ends || m_window.isEmpty())
        return;
    const qint64 before = m_ends->countBefore(m_window.at(0));
    if (before >= 0)
        m_windowStart = before;
}

void KeysetCursor::clearJournal()
{
    m_removedKeys = m_keys.emptyCopy();
    m_renamedKeys.clear();
}

void KeysetCursor::prefetchNearSeam()
{
    if (!m_ends)
        return;
    // Rows between the current one and the seam, the current one included.
    qsizetype ahead = -1;
    if (m_where == Where::InKeys)
        ahead = m_keys.size() - m_index;
    else if (m_where == Where::InTail)
        ahead = m_index + 1;
    if (ahead >= 0 && ahead <= kEndKeys / 2)
        m_ends->prefetch(ahead <= kUrgentKeys);
}

bool KeysetCursor::goFirst()
{
    loadHead();
    // Every row of the head deleted through this cursor: the list says
    // which row comes first now.
    if (m_ends && m_keys.isEmpty())
        completeKeys(true);
    m_deleted = false;
    if (ensureKey(0)) {
        m_where = Where::InKeys;
        m_index = 0;
        return true;
    }
    return goAfterKeys();
}

bool KeysetCursor::goLastKey()
{
    loadTail();
    if (m_ends && !m_tail.isEmpty()) {
        m_deleted = false;
        m_where = Where::InTail;
        m_index = m_tail.size() - 1;
        return true;
    }
    // One-ended, or no tail to be had: every key. (Taking the list over
    // places the current row in it first; the move then leaves it.)
    completeKeys(true);
    m_deleted = false;
    if (m_keys.isEmpty())
        return false;
    m_where = Where::InKeys;
    m_index = m_keys.size() - 1;
    return true;
}

bool KeysetCursor::goLast()
{
    m_deleted = false;
    if (!m_added.isEmpty()) {
        m_where = Where::InAdded;
        m_index = m_added.size() - 1;
        return true;
    }
    if (goLastKey())
        return true;
    m_where = Where::After;
    return false;
}

bool KeysetCursor::goAfterKeys()
{
    m_deleted = false;
    if (!m_added.isEmpty()) {
        m_where = Where::InAdded;
        m_index = 0;
        return true;
    }
    m_where = Where::After;
    return false;
}

bool KeysetCursor::moveFirst()
{
    poll();
    return goFirst();
}

bool KeysetCursor::moveLast()
{
    poll();
    return goLast();
}

bool KeysetCursor::moveTo(qsizetype number)
{
    poll();
    if (number <= 1)
        return goFirst();
    m_deleted = false;
    const auto inKeys = [this](qsizetype index) {
        m_where = Where::InKeys;
        m_index = index;
        return true;
    };
    if (number <= kEndKeys)
        loadHead();
    if (m_ends && number <= m_keys.size())
        return inKeys(number - 1);
    if (m_ends && m_queryCount >= 0) {
        if (number >= m_queryCount + m_added.size())
            return goLast();
        loadTail();
        const qsizetype tailStart = m_queryCount - m_tail.size() + 1;
        if (!m_tail.isEmpty() && number >= tailStart && number <= m_queryCount) {
            m_where = Where::InTail;
            m_index = number - tailStart;
            return true;
        }
    }
    if (m_where == Where::InWindow && m_windowStart >= 0 && number - 1 >= m_windowStart &&
        number - 1 - m_windowStart < m_window.size()) {
        m_deleted = false;
        m_index = number - 1 - m_windowStart;
        return true;
    }
    // The key at that place by the engine's offset, and a window from it.
    if (m_ends) {
        KeyStore at = m_keys.emptyCopy();
        if (m_ends->readAt(number - 1, at) && (!at.isEmpty() || m_added.isEmpty())) {
            if (at.isEmpty())
                return goLast(); // beyond the last
            openWindow(at.at(0), number - 1);
            return true;
        }
    }
    if (m_ends)
        completeKeys(true);
    if (ensureKey(number - 1))
        return inKeys(number - 1);
    if (number - m_keys.size() <= m_added.size()) {
        m_where = Where::InAdded;
        m_index = number - m_keys.size() - 1;
        return true;
    }
    return goLast();
}

bool KeysetCursor::moveToKey(const QVariantList &key)
{
    poll();
    const auto find = [this, &key] {
        for (Where where : {Where::InKeys, Where::InTail, Where::InWindow, Where::InAdded}) {
            const KeyStore &list = where == Where::InKeys     ? m_keys
                                   : where == Where::InTail   ? m_tail
                                   : where == Where::InWindow ? m_window
                                                              : m_added;
            if (const qsizetype found = list.indexOf(key); found >= 0) {
                m_deleted = false;
                m_where = where;
                m_index = found;
                return true;
            }
        }
        return false;
    };
    if (find())
        return true;
    if (isComplete())
        return false;
    // Where the engine can read from a row on, a window around it; the
    // table's key says whether the query has the row.
    if (m_ends && m_ends->readsFromRows()) {
        const int has = m_ends->hasKey(key);
        if (has == 0)
            return false;
        if (has == 1) {
            openWindow(key, -1);
            return true;
        }
    }
    completeKeys(true);
    return find();
}

bool KeysetCursor::moveNext()
{
    poll();
    // After a delete the index already names the row that followed.
    const qsizetype next = m_deleted ? m_index : m_index + 1;
    switch (m_where) {
    case Where::Before:
        return goFirst();
    case Where::InKeys:
        if (ensureKey(next)) {
            m_deleted = false;
            m_index = next;
            prefetchNearSeam();
            return true;
        }
        // Across the seam: the complete list says what follows.
        if (m_ends && completeKeys(true))
            return moveNext();
        return goAfterKeys();
    case Where::InTail:
        if (next < m_tail.size()) {
            m_deleted = false;
            m_index = next;
            return true;
        }
        return goAfterKeys(); // the tail ends where the query ends
    case Where::InWindow:
        if (next >= m_window.size()) {
            const Extension read = extendWindow(true);
            if (read == Extension::Unreadable && completeKeys(true))
                return moveNext();
            if (read != Extension::Grown)
                return goAfterKeys(); // the window ends where the query ends
        }
        m_deleted = false;
        m_index = next;
        return true;
    case Where::InAdded:
        m_deleted = false;
        if (next < m_added.size()) {
            m_index = next;
            return true;
        }
        m_where = Where::After;
        return false;
    case Where::After:
        m_deleted = false;
        return false;
    }
    return false;
}

bool KeysetCursor::movePrevious()
{
    poll();
    switch (m_where) {
    case Where::Before:
        m_deleted = false;
        return false;
    case Where::InKeys:
        m_deleted = false;
        if (m_index > 0) {
            --m_index;
            return true;
        }
        m_where = Where::Before;
        return false;
    case Where::InTail:
        if (m_index > 0) {
            m_deleted = false;
            --m_index;
            prefetchNearSeam();
            return true;
        }
        // Across the seam, backwards.
        if (completeKeys(true))
            return movePrevious();
        m_deleted = false;
        m_where = Where::Before;
        return false;
    case Where::InWindow:
        if (m_index == 0) {
            const Extension read = extendWindow(false); // shifts the index
            if (read == Extension::Unreadable && completeKeys(true))
                return movePrevious();
            if (read != Extension::Grown) {
                m_deleted = false;
                m_where = Where::Before;
                return false;
            }
        }
        m_deleted = false;
        --m_index;
        return true;
    case Where::InAdded:
        m_deleted = false;
        if (m_index > 0) {
            --m_index;
            return true;
        }
        if (goLastKey())
            return true;
        m_where = Where::Before;
        return false;
    case Where::After:
        return goLast();
    }
    return false;
}

QVariantList KeysetCursor::currentKey() const
{
    Q_ASSERT(hasRow());
    switch (m_where) {
    case Where::InTail:
        return m_tail.at(m_index);
    case Where::InWindow:
        return m_window.at(m_index);
    case Where::InAdded:
        return m_added.at(m_index);
    default:
        return m_keys.at(m_index);
    }
}

QVector<QVariantList> KeysetCursor::keysAt(qsizetype first, qsizetype rows)
{
    QVector<QVariantList> keys;
    if (first < 0 || rows <= 0)
        return keys;
    poll();
    const qsizetype last = first + rows - 1;
    if (m_source)
        ensureKey(last);
    if (m_ends && first < kEndKeys)
        loadHead();
    if (m_ends && m_queryCount >= 0 && last >= m_queryCount - kEndKeys)
        loadTail();
    // Rows asked for in the second half of the head come before rows
    // beyond it: the list is read while the user looks at these.
    if (m_ends && m_headRead && last >= m_keys.size() / 2 && first < m_keys.size())
        m_ends->prefetch(last >= m_keys.size() - kUrgentKeys);
    keys.reserve(rows);
    const qsizetype known = count(); // past it there is nothing to look for
    for (qsizetype index = first; index <= last && (known < 0 || index < known); ++index) {
        QVariantList key = heldKey(index);
        if (key.isEmpty() && m_ends) {
            completeKeys(true);
            key = heldKey(index);
        }
        if (key.isEmpty())
            break; // past the last row
        keys.append(key);
    }
    return keys;
}

QVariantList KeysetCursor::heldKey(qsizetype index) const
{
    if (index < m_keys.size())
        return m_keys.at(index);
    if (!m_ends) {
        // One-ended or complete: the added rows follow the query's keys,
        // once every one of them is read.
        const qsizetype added = index - m_keys.size();
        return !m_source && added < m_added.size() ? m_added.at(added) : QVariantList();
    }
    if (m_queryCount >= 0) {
        const qsizetype tailStart = m_queryCount - m_tail.size();
        if (m_tailRead && index >= tailStart && index < m_queryCount)
            return m_tail.at(index - tailStart);
        if (index >= m_queryCount && index - m_queryCount < m_added.size())
            return m_added.at(index - m_queryCount);
    }
    qint64 windowStart = m_windowStart;
    if (windowStart < 0 && m_windowAtEnd && m_queryCount >= 0)
        windowStart = m_queryCount - m_window.size();
    if (windowStart >= 0 && index >= windowStart && index < windowStart + m_window.size())
        return m_window.at(index - windowStart);
    return QVariantList();
}

QVariantList KeysetCursor::keyAt(qsizetype index) const
{
    Q_ASSERT(isComplete());
    return index < m_keys.size() ? m_keys.at(index) : m_added.at(index - m_keys.size());
}

void KeysetCursor::bindCurrent(QSqlQuery &query, int first) const
{
    Q_ASSERT(hasRow());
    switch (m_where) {
    case Where::InTail:
        m_tail.bind(query, m_index, first);
        break;
    case Where::InWindow:
        m_window.bind(query, m_index, first);
        break;
    case Where::InAdded:
        m_added.bind(query, m_index, first);
        break;
    default:
        m_keys.bind(query, m_index, first);
        break;
    }
}

void KeysetCursor::appendAndMakeCurrent(const QVariantList &key)
{
    m_added.append(key);
    m_where = Where::InAdded;
    m_index = m_added.size() - 1;
    m_deleted = false;
}

void KeysetCursor::replaceCurrent(const QVariantList &key)
{
    Q_ASSERT(hasRow());
    if (currentKey() == key)
        return; // the usual update: the key stays
    switch (m_where) {
    case Where::InTail:
        m_renamedKeys.append({m_tail.at(m_index), key});
        m_tail.replace(m_index, key);
        break;
    case Where::InWindow:
        m_renamedKeys.append({m_window.at(m_index), key});
        m_window.replace(m_index, key);
        break;
    case Where::InAdded:
        m_added.replace(m_index, key);
        break;
    default:
        if (m_ends)
            m_renamedKeys.append({m_keys.at(m_index), key});
        m_keys.replace(m_index, key);
        break;
    }
}

void KeysetCursor::removeCurrent()
{
    Q_ASSERT(hasRow());
    ++m_shape;
    if (m_where != Where::InAdded) {
        if (m_queryCount > 0)
            --m_queryCount;
        if (m_ends)
            m_removedKeys.append(currentKey());
    }
    switch (m_where) {
    case Where::InTail:
        m_tail.remove(m_index);
        break;
    case Where::InWindow:
        m_window.remove(m_index);
        break;
    case Where::InAdded:
        m_added.remove(m_index);
        break;
    default:
        m_keys.remove(m_index);
        break;
    }
    m_deleted = true;
}

void KeysetCursor::setQueryCount(qint64 rows)
{
    // Rows added through the cursor are counted apart (they follow the
    // query's rows); a count that may already hold some of them is not
    // taken over.
    if (!isComplete() && m_added.isEmpty())
        m_queryCount = rows;
}

void KeysetCursor::restart(std::unique_ptr<KeySource> source, const QVariantList &key)
{
    ++m_shape;
    const bool wasAfter = m_where == Where::After;
    // Rows added through the recordset are stored now; the new key query
    // yields those that match it, so only the current one is kept apart.
    m_keys = m_keys.emptyCopy();
    m_tail = m_keys.emptyCopy();
    m_tailRead = false;
    dropWindow();
    m_added = m_added.emptyCopy();
    m_source = std::move(source);
    m_ends.reset();
    m_queryCount = -1;
    clearJournal();
    m_batch = 256;
    m_deleted = false;
    m_index = 0;
    if (key.isEmpty()) {
        m_where = wasAfter ? Where::After : Where::Before;
        return;
    }
    for (qsizetype i = 0; ensureKey(i); ++i) {
        if (m_keys.at(i) == key) {
            m_where = Where::InKeys;
            m_index = i;
            return;
        }
    }
    // Not in the query any more (changed by someone, or a new row that does
    // not match it): it stays current as an added row.
    m_added.append(key);
    m_where = Where::InAdded;
    m_index = 0;
}

void KeysetCursor::restart(KeyStore head, std::unique_ptr<KeyEnds> ends, const QVariantList &key)
{
    ++m_shape;
    const bool wasAfter = m_where == Where::After;
    m_keys = std::move(head);
    m_tail = m_keys.emptyCopy();
    m_tailRead = false;
    dropWindow();
    m_added = m_keys.emptyCopy();
    m_headRead = true;
    m_source.reset();
    m_ends.reset();
    if (m_keys.size() >= kEndKeys)
        m_ends = std::move(ends);
    m_queryCount = -1;
    clearJournal();
    m_deleted = false;
    m_index = 0;
    m_where = Where::Before;
    if (key.isEmpty()) {
        if (wasAfter)
            m_where = Where::After;
        return;
    }
    qsizetype found = m_keys.indexOf(key);
    if (found < 0 && m_ends) {
        completeKeys(true);
        found = m_keys.indexOf(key);
    }
    if (found >= 0) {
        m_where = Where::InKeys;
        m_index = found;
        return;
    }
    m_added.append(key);
    m_where = Where::InAdded;
    m_index = 0;
}

qsizetype KeysetCursor::position() const
{
    if (!hasRow())
        return -1;
    switch (m_where) {
    case Where::InKeys:
        return m_index + 1;
    case Where::InTail:
        return m_queryCount >= 0 ? m_queryCount - (m_tail.size() - 1 - m_index) : -1;
    case Where::InWindow:
        if (m_windowStart >= 0)
            return m_windowStart + m_index + 1;
        // A window that reached the query's end is counted back from it.
        return m_windowAtEnd && m_queryCount >= 0 ? m_queryCount - (m_window.size() - 1 - m_index)
                                                  : -1;
    default:
        if (isComplete())
            return m_keys.size() + m_index + 1;
        return m_queryCount >= 0 ? m_queryCount + m_index + 1 : -1;
    }
}

qsizetype KeysetCursor::count() const
{
    if (isComplete())
        return m_keys.size() + m_added.size();
    return m_queryCount >= 0 ? m_queryCount + m_added.size() : -1;
}

KeysetCursor::Place KeysetCursor::place() const
{
    return Place{m_where, m_index, m_deleted, hasRow() ? currentKey() : QVariantList(), m_shape};
}

void KeysetCursor::restore(const Place &place)
{
    m_where = place.where;
    m_index = place.index;
    m_deleted = place.deleted;
    if (place.shape == m_shape)
        return;
    const auto inList = [this](Where where) -> const KeyStore * {
        switch (where) {
        case Where::InKeys:
            return &m_keys;
        case Where::InTail:
            return &m_tail;
        case Where::InWindow:
            return &m_window;
        case Where::InAdded:
            return &m_added;
        default:
            return nullptr;
        }
    };
    if (!place.key.isEmpty()) {
        for (Where where : {Where::InKeys, Where::InTail, Where::InWindow, Where::InAdded}) {
            const qsizetype found = inList(where)->indexOf(place.key);
            if (found >= 0) {
                m_where = where;
                m_index = found;
                return;
            }
        }
    }
    // A deleted row (it has no key any more), or one that others deleted
    // meanwhile: where its index now is, within the list.
    const KeyStore *list = inList(m_where);
    if (list && m_index >= list->size()) {
        if (list->isEmpty()) {
            m_where = Where::Before;
            m_index = 0;
            m_deleted = false;
        } else {
            m_index = list->size() - 1;
        }
    }
}
