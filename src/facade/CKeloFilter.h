#ifndef QRT_FACADE_CKELOFILTER_H
#define QRT_FACADE_CKELOFILTER_H

#include "facade/KeloTypes.h"
#include "qrt_export.h"

#include <QString>

#include <memory>

class CFilterMgr;
class Variant;

// The host's handle on an interactive filter over one table. Init gives it
// the database and the table, ShowFilterDlg lets the user compose criteria
// and hands back the SQL condition (without the word WHERE, with a leading
// blank). The criteria live in the saved-filter store that the facade owns,
// so a second ShowFilterDlg starts where the first one ended, until
// ResetFilter.
//
// Copies share one store: criteria added through one copy are seen by the
// other, and the store goes with the last copy.
class QRT_EXPORT CKeloFilter
{
public:
    CKeloFilter();
    ~CKeloFilter();
    CKeloFilter(const CKeloFilter &other);
    CKeloFilter &operator=(const CKeloFilter &other);

    // Configures the store from a complete ADOBUILDER document: connects,
    // reads the table's columns without the suppressed ones, creates the
    // filter tables when missing and empties the criteria. False after a
    // message when any of it fails.
    bool Init(const QString &document);
    // Composes the document from the database parameters (values verbatim,
    // unescaped) with the columns removed so far, then as above.
    bool Init(const QString &database, const QString &server, const QString &user,
              const QString &password, const QString &table, ns_qrttypen::KELODBTyp type);

    // Runs the filter dialog. True when the user confirmed: condition then
    // holds the new condition; on cancel it keeps its value.
    bool ShowFilterDlg(QString &condition);
    // The same for hosts that pass values: on OK the variant becomes the
    // condition text; on cancel it stays untouched.
    bool ShowFilterDlg(Variant &condition);

    // Empties the criteria; the next dialog starts with none.
    void ResetFilter();
    // Leaves a column out of the filter's column list from the next
    // six-argument Init on.
    void RemoveColumn(const QString &column);

    // The document last given to Init (composed or passed in).
    [[nodiscard]] const QString &document() const { return m_strDocument; }

private:
    bool configure();

    std::shared_ptr<CFilterMgr> m_pFilterMgr;
    QString m_strDocument;
    QString m_strSuppressColumns; // SUPPRESSCOLUMN elements, in call order; only grows
};

#endif // QRT_FACADE_CKELOFILTER_H
