#ifndef QRT_DATA_CBASEMGR_H
#define QRT_DATA_CBASEMGR_H

#include "data/CSuppressColumn.h"
#include "data/CTabInfo.h"
#include "data/ColumnInfo.h"
#include "data/ConnectionShare.h"
#include "data/component/Connection.h"
#include "qrt_export.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

// The common base of everything that talks to the database: the record data
// manager, the form builder and the saved-filter store. It reads the database
// parameters from the ADOBUILDER configuration document, opens the owner's
// one connection, holds the columns of the owner's table and the document's
// suppressed columns, and computes the next free key of a column.
//
// Every owner has its own connection unless it is given a ConnectionShare
// (the owners of one form share one session); the catalog reads on the
// owner's connection, and its column cache (CTabInfo) is process-wide. The operations that serve a
// user command show their errors themselves and report success as a bool; GetNextKey and
// ReadSuppressColumns leave errors to the caller.
class QRT_EXPORT CBaseMgr
{
public:
    CBaseMgr();
    virtual ~CBaseMgr();
    CBaseMgr(const CBaseMgr &) = delete;
    CBaseMgr &operator=(const CBaseMgr &) = delete;

    // What a configuration document names: its DBNAME, SERVERNAME, USERID,
    // PASSWORT, TABELLENNAME and DBTYP (as the kind's number).
    struct ConfigValues
    {
        QString database;
        QString server;
        QString user;
        QString password;
        QString table;
        int kind = 0;
    };
    // Nothing when the document does not parse or has no ADOBUILDER element;
    // a ComError (E_POINTER) when one of the elements is missing.
    static std::optional<ConfigValues> ReadConfig(const QString &document);
    // Takes the values from the document and connects. False without a
    // message when the document does not parse or has no ADOBUILDER element.
    virtual bool LoadConfig(const QString &document);
    // Empties the column lists, builds the connection string for dbType
    // (1 Access, 2 SQL Server, 3 SQLite, 4 PostgreSQL; any other value keeps
    // the previous string) and opens a new connection with it.
    virtual bool Connect(QString dbName, QString serverName, QString userId, QString password,
                         int dbType);
    // Reads the columns of table (which becomes tableName), without the
    // suppressed ones when removeSuppressed is set.
    virtual bool GetSpaltenInfos(const QString &table, bool removeSuppressed);

    // Refills the suppressed columns from the document's SUPPRESSCOLUMN
    // elements; an unparsable document leaves none.
    void ReadSuppressColumns(const QString &document);
    // The first suppressed column of that name ignoring letter case, or null.
    CSuppressColumn *FindSuppressColumn(const QString &column);
    const CSuppressColumn *FindSuppressColumn(const QString &column) const;
    void RemoveSuppressedColumns();
    // The column of exactly that name; an empty record when there is none.
    ColumnInfo GetColumnInfo(const QString &column) const;
    // The connection string Connect builds for these parameters, without
    // connecting (empty for an unknown dbType). Values holding ";", "=",
    // braces or blanks are quoted, so they stay values.
    static QString BuildConnectionString(const QString &dbName, const QString &serverName,
                                         const QString &userId, const QString &password,
                                         int dbType);
    // One more than the column's largest value, 1 for no values. Computed,
    // not reserved: two writers asking at once get the same key. A key
    // beyond 32 bits is a component error here; nextKey() gives it.
    qint32 GetNextKey(const QString &column, const QString &table);
    // The same for keys of any width (bigint columns).
    qint64 nextKey(const QString &column, const QString &table);

    const QString &connectionString() const { return m_connectionString; }
    const QString &dbName() const { return m_dbName; }
    const QString &serverName() const { return m_serverName; }
    const QString &userId() const { return m_userId; }
    const QString &password() const { return m_password; }
    const QString &tableName() const { return m_tableName; }
    int dbType() const { return m_dbType; }
    const QVector<ColumnInfo> &columns() const { return m_columns; }
    const QVector<CSuppressColumn> &suppressColumns() const { return m_suppressColumns; }
    // Null before the first Connect; after a failed one, a connection that
    // is not open.
    Connection *connection() const { return m_connection.get(); }
    // From the next Connect on, the connection comes from share: owners
    // given the same share and connecting to the same database use one
    // session. Null (the default): the owner opens its own.
    void setConnectionShare(std::shared_ptr<ConnectionShare> share);
    const std::shared_ptr<ConnectionShare> &connectionShare() const { return m_connectionShare; }

protected:
    // What makes the library's own tables: runs their DDL on connection for
    // the tables of the list still missing there, in the order given.
    using TableCreation = std::function<void(Connection &connection, const QStringList &missing)>;
    // Creates those of the library's own tables (the form and filter tables)
    // that the database lacks, once, whoever comes first. Several programs
    // may open a fresh database at the same moment: the tables are made in
    // one transaction that holds the engine's schema lock, after a second
    // look on the owner's own connection, so a program that waited finds
    // them; where the engine has no such lock, a refused CREATE is checked
    // against what exists now. Throws ComError when a table cannot be made.
    void CreateLibraryTables(const QStringList &tables, const TableCreation &create);
    // Whether the catalog knows every table of the list.
    bool LibraryTablesExist(const QStringList &tables);

    QString m_connectionString;
    QString m_dbName;
    QString m_serverName;
    QString m_userId;
    QString m_password;
    QString m_tableName;
    int m_dbType = 0; // 0 until LoadConfig or Connect sets it
    CTabInfo m_tabInfo;
    QVector<ColumnInfo> m_columns;              // of m_tableName, in catalog order
    QVector<CSuppressColumn> m_suppressColumns; // in document order, duplicates kept
    std::shared_ptr<ConnectionShare> m_connectionShare;
    // Declared last so that it goes first: the connection is released before
    // anything else of the owner.
    std::unique_ptr<Connection> m_connection;
};

#endif // QRT_DATA_CBASEMGR_H
