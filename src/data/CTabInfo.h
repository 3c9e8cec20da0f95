#ifndef QRT_DATA_CTABINFO_H
#define QRT_DATA_CTABINFO_H

#include "data/ColumnInfo.h"
#include "data/component/Catalog.h"
#include "data/component/Connection.h"
#include "qrt_export.h"

#include <QString>
#include <QVector>

#include <map>
#include <memory>

// Reads the column description of a table from the database catalog: name,
// type name and category, size, scale, precision, and whether the column
// accepts NULL or belongs to a primary or unique key.
//
// Reading a catalog costs several engine queries per table, and every form,
// filter and record manager asks for its table's columns, so the column lists
// live in one process-wide cache keyed by table name (exact, case-sensitive).
// The cache belongs to the connection text that filled it: the first read on
// another connection text empties it. It does not follow later changes of a
// table's structure; RemoveTabFromMap and ClearConString let the host say so.
// The cache is unsynchronised: it is used only from the user-interface thread.
//
// An instance reads on the connection OpenCatalog gives it: its owner's own
// (a copy shares the session), or one it opens for itself from a string.
class QRT_EXPORT CTabInfo
{
public:
    // The short name and category of a catalog type code.
    struct TypeInfo
    {
        QString typeName;
        TypeCategory category = TypeCategory::Unknown;
    };

    CTabInfo();
    ~CTabInfo();
    CTabInfo(const CTabInfo &) = delete;
    CTabInfo &operator=(const CTabInfo &) = delete;

    // Replaces connection and catalog by new ones on connectionString. Shows
    // the component's error and returns false when the database cannot be opened.
    bool OpenCatalog(const QString &connectionString);
    // Replaces the catalog by one on connection, which it shares (no session
    // of its own). Shows the error and returns false when it is not open.
    bool OpenCatalog(const Connection &connection);

    // Fills out with the columns of table in catalog order, from the cache
    // when it has them. With showErrors a component error is shown and gives
    // false; without, it reaches the caller unchanged. A failed read is never
    // cached.
    bool GetSpaltenInfos(const QString &table, QVector<ColumnInfo> &out, bool showErrors);

    // Forgets the cached columns of exactly this table name.
    static void RemoveTabFromMap(const QString &table);
    // Forgets the connection text, so the next read empties the whole cache.
    static void ClearConString();

private:
    ColumnInfo readColumn(const CatalogColumn &column, const CatalogItems<CatalogKey> &keys,
                          const QString &table, long &step, long &c) const;

    std::unique_ptr<Connection> m_connection; // null until OpenCatalog; may share the owner's
    std::unique_ptr<Catalog> m_catalog;       // null until OpenCatalog succeeds
    std::map<long, TypeInfo> m_typeInfos;     // catalog type code -> name, category
};

#endif // QRT_DATA_CTABINFO_H
