#ifndef QRT_DATA_COMPONENT_KEYORDER_H
#define QRT_DATA_COMPONENT_KEYORDER_H

#include "qrt_export.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>

#include <optional>

// The order in which a keyset reads the keys of its query, made total and
// reversible, so that the query can be read from either end.
//
// Total: the row identity follows the host's order as the last key ("NAME"
// becomes "NAME, ID"), so that rows the host's order calls equal (ties) have
// one order that every read of the query agrees on: the first rows, the last
// rows and the complete list meet without a row missing or shown twice.
//
// Reversible: each term of the host's order, whatever its expression
// ("lower(NAME)", "CASE … END", "ORT COLLATE NOCASE"), changes its direction
// (ASC and no direction become DESC, DESC becomes ASC) and an explicit NULLS
// FIRST/LAST flips too; the engines' own NULL placement for DESC is the
// reverse of that for ASC, so the reversed order is the exact mirror image.
// An order with a comment in it stays as the host wrote it, without the
// identity and without a backward form: a comment could hide whatever
// follows it.
struct QRT_AUTOTEST_EXPORT KeyOrder
{
    QString forward;  // the ORDER BY text of the key query, without the keywords
    QString backward; // forward reversed; empty when it cannot be reversed

    // hostOrdering: the host's ORDER BY text (may be empty); identity: the
    // SQL expressions that identify a row.
    static KeyOrder make(const QString &hostOrdering, const QStringList &identity);
    // One term of an order reversed ("NAME DESC" -> "NAME ASC"); empty when
    // the term has no expression.
    static QString reversedTerm(const QString &term);

    // One term of an order as the engine sorts by it.
    struct Term
    {
        QString expression;
        bool descending = false;
        bool nullsFirst = false; // as written, or the engine's way
    };
    // The terms of forward; none when a term has no expression. nullsFirst:
    // whether the engine puts NULL first in an ascending order (SQLite),
    // or last (PostgreSQL).
    [[nodiscard]] QVector<Term> terms(bool nullsFirst) const;

    // The condition that a row comes after the row whose terms hold values
    // (before it, with !after; the row itself too, with inclusive), with "?"
    // for each value appended to binds. For a keyset that is read from a
    // row on (a seek) instead of from its start: ties are broken by the
    // row identity, the last terms, so the order is total.
    static QString seek(const QVector<Term> &terms, const QVariantList &values, bool after,
                        bool inclusive, QVariantList *binds);
};

#endif // QRT_DATA_COMPONENT_KEYORDER_H
