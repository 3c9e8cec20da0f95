#include "data/component/KeysetCursor.h"

KeySource::~KeySource() = default;

namespace {
constexpr qsizetype kMaxBatch = 65536;
}

KeysetCursor::KeysetCursor(KeyStore keys, std::unique_ptr<KeySource> source)
    : m_keys(std::move(keys)), m_added(m_keys.width(), false), m_source(std::move(source))
{
    // Read the first batch now, so that BOF and EOF are known after opening.
    ensureKey(0);
    if (!m_keys.isEmpty())
        m_where = Where::InKeys;
    m_index = 0;
}

bool KeysetCursor::hasRow() const
{
    return !m_deleted && (m_where == Where::InKeys || m_where == Where::InAdded);
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

void KeysetCursor::readAll()
{
    while (m_source) {
        if (!m_source->read(m_keys, kMaxBatch))
            m_source.reset();
    }
}

bool KeysetCursor::goFirst()
{
    m_deleted = false;
    if (ensureKey(0)) {
        m_where = Where::InKeys;
        m_index = 0;
        return true;
    }
    return goAfterKeys();
}

bool KeysetCursor::goLast()
{
    m_deleted = false;
    readAll();
    if (!m_added.isEmpty()) {
        m_where = Where::InAdded;
        m_index = m_added.size() - 1;
        return true;
    }
    if (!m_keys.isEmpty()) {
        m_where = Where::InKeys;
        m_index = m_keys.size() - 1;
        return true;
    }
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
    return goFirst();
}

bool KeysetCursor::moveLast()
{
    return goLast();
}

bool KeysetCursor::moveNext()
{
    // After a delete the index already names the row that followed.
    const qsizetype next = m_deleted ? m_index : m_index + 1;
    switch (m_where) {
    case Where::Before:
        return goFirst();
    case Where::InKeys:
        m_deleted = false;
        if (ensureKey(next)) {
            m_index = next;
            return true;
        }
        return goAfterKeys();
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
    case Where::InAdded:
        m_deleted = false;
        if (m_index > 0) {
            --m_index;
            return true;
        }
        readAll();
        if (!m_keys.isEmpty()) {
            m_where = Where::InKeys;
            m_index = m_keys.size() - 1;
            return true;
        }
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
    return m_where == Where::InKeys ? m_keys.at(m_index) : m_added.at(m_index);
}

void KeysetCursor::bindCurrent(QSqlQuery &query, int first) const
{
    Q_ASSERT(hasRow());
    if (m_where == Where::InKeys)
        m_keys.bind(query, m_index, first);
    else
        m_added.bind(query, m_index, first);
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
    if (m_where == Where::InKeys)
        m_keys.replace(m_index, key);
    else
        m_added.replace(m_index, key);
}

void KeysetCursor::removeCurrent()
{
    Q_ASSERT(hasRow());
    if (m_where == Where::InKeys)
        m_keys.remove(m_index);
    else
        m_added.remove(m_index);
    m_deleted = true;
}

void KeysetCursor::setBeforeFirst()
{
    m_where = Where::Before;
    m_index = 0;
    m_deleted = false;
}

void KeysetCursor::restart(std::unique_ptr<KeySource> source, const QVariantList &key)
{
    const bool wasAfter = m_where == Where::After;
    // Rows added through the recordset are stored now; the new key query
    // yields those that match it, so only the current one is kept apart.
    m_keys = m_keys.emptyCopy();
    m_added = m_added.emptyCopy();
    m_source = std::move(source);
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

qsizetype KeysetCursor::position() const
{
    if (!hasRow())
        return -1;
    if (m_where == Where::InKeys)
        return m_index + 1;
    return isComplete() ? m_keys.size() + m_index + 1 : -1;
}

qsizetype KeysetCursor::count() const
{
    return isComplete() ? m_keys.size() + m_added.size() : -1;
}
