#include "data/component/QueryKeyEnds.h"

#include "data/component/engines/Backend.h"

namespace {
constexpr qsizetype kBatch = 65536;
// How long the moves must pause before the complete list is read while it
// is not urgent: longer than the gap between the moves of a key held down,
// shorter than a look at the record shown.
constexpr std::chrono::milliseconds kQuietBeforeReading(200);
} // namespace

QueryKeyEnds::QueryKeyEnds(std::shared_ptr<Backend> backend, QString keySql, QString reverseSql,
                           int width, bool integral)
    : m_backend(std::move(backend)), m_keySql(std::move(keySql)),
      m_reverseSql(std::move(reverseSql)), m_width(width), m_integral(integral)
{}

bool QueryKeyEnds::readLast(KeyStore &keys, qsizetype rows)
{
    if (m_reverseSql.isEmpty())
        return false;
    KeyStore last = keys.emptyCopy();
    m_backend->readLimited(m_reverseSql, rows, last);
    last.reverse();
    if (keys.isEmpty()) {
        keys = std::move(last);
        return true;
    }
    for (qsizetype i = 0; i < last.size(); ++i)
        keys.append(last.at(i));
    return true;
}

void QueryKeyEnds::prefetch(bool urgent)
{
    if (m_failed || !m_backend->readsKeysInBackground())
        return;
    if (!m_reader) {
        m_reader = std::make_unique<BackgroundKeyReader>(
            m_backend->params(), m_keySql, m_width, m_integral,
            urgent ? std::chrono::milliseconds::zero() : kQuietBeforeReading);
    } else if (urgent) {
        m_reader->start();
    } else {
        m_reader->busy();
    }
}

bool QueryKeyEnds::takeAll(KeyStore &keys, bool wait)
{
    if (!m_reader) {
        if (!wait)
            return false;
        if (!m_backend->readsKeysInBackground()) {
            // Read here and now, in batches as the engine's reader gives them.
            std::unique_ptr<KeySource> source = m_backend->openKeySource(m_keySql, m_width);
            while (source->read(keys, kBatch)) {
            }
            return true;
        }
        m_failed = false;
        prefetch(true);
    }
    try {
        return m_reader->take(keys, wait);
    } catch (const ComError &) {
        m_reader.reset();
        m_failed = true;
        if (wait)
            throw;
        return false;
    }
}
