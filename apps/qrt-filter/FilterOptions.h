#ifndef QRT_APPS_QRTFILTER_FILTEROPTIONS_H
#define QRT_APPS_QRTFILTER_FILTEROPTIONS_H

#include "facade/KeloTypes.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks of qrt-filter: the database and table to
// filter, and whether to render the dialog into a picture instead of
// asking the user.
struct FilterOptions
{
    QString database;
    QString server;
    QString user;
    QString password;
    QString table;
    ns_qrttypen::KELODBTyp kind = ns_qrttypen::KELO_SQLITE;
    QString screenshot; // PNG file; empty for an interactive run

    bool helpRequested = false;
    QString helpText;

    // Read before there is an application, so that a wrong command line is
    // reported even where no window could open. Nothing, and a German reason
    // in *error, for a command line that does not name a database and a
    // table, names an unknown kind or holds an unknown option.
    static std::optional<FilterOptions> parse(const QStringList &arguments, QString *error);
};

#endif // QRT_APPS_QRTFILTER_FILTEROPTIONS_H
