#ifndef QRT_DATA_COMPONENT_QUERYKEYENDS_H
#define QRT_DATA_COMPONENT_QUERYKEYENDS_H

#include "data/component/BackgroundKeyReader.h"
#include "data/component/KeysetCursor.h"

#include <memory>

class Backend;

// The ends of a keyset recordset's key query on its engine: the last keys by
// the reversed query with a top-N limit, on the recordset's own connection
// (bounded, so no statement stays open there), and the complete list from a
// background reader where the engine can read it apart, otherwise read on
// the spot when a move needs it.
class QueryKeyEnds final : public KeyEnds
{
public:
    // keySql: the key query in its total order; reverseSql: the same in the
    // reverse order, empty when there is none.
    QueryKeyEnds(std::shared_ptr<Backend> backend, QString keySql, QString reverseSql, int width,
                 bool integral);

    bool readLast(KeyStore &keys, qsizetype rows) override;
    void prefetch(bool urgent) override;
    bool takeAll(KeyStore &keys, bool wait) override;

private:
    std::shared_ptr<Backend> m_backend;
    QString m_keySql;
    QString m_reverseSql;
    int m_width;
    bool m_integral;
    std::unique_ptr<BackgroundKeyReader> m_reader;
    bool m_failed = false; // the last background read failed: only a move that needs it retries
};

#endif // QRT_DATA_COMPONENT_QUERYKEYENDS_H
