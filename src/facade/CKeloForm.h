#ifndef QRT_FACADE_CKELOFORM_H
#define QRT_FACADE_CKELOFORM_H

#include "facade/KeloTypes.h"
#include "qrt_export.h"

#include <QString>

// The host's handle on one form. Init composes the ADOBUILDER configuration
// document with the placeholders "@Designmodus" and "@SuppressColumns" and the
// empty FILTER and SORT slots still in it; every way of showing the form fills
// a copy of it, so the stored document never changes after Init. The facade
// itself holds no connection and does no database work.
class QRT_EXPORT CKeloForm
{
public:
    // The ways of showing a form, each filling the document its own way.
    enum class EntryPoint {
        ShowForm,  // modal, data mode: filter and sort
        OpenForm,  // modeless, data mode: filter only
        DesignForm // modal, design mode: neither
    };

    CKeloForm();
    CKeloForm(const CKeloForm &other);
    CKeloForm &operator=(const CKeloForm &other);

    // Replaces the whole document; the columns removed so far stay removed.
    // Values go in verbatim, unescaped: the form and table name stands twice,
    // in FORMULARNAME and TABELLENNAME.
    void Init(const QString &database, const QString &server, const QString &user,
              const QString &password, const QString &formAndTable, ns_qrttypen::KELODBTyp type);
    // Hides a column from the form; autoValue asks for an automatic key value
    // in it. Affects only forms shown afterwards.
    void RemoveColumn(const QString &column, bool autoValue);

    // The document as Init composed it, placeholders included; empty before
    // Init, which is how the facade knows it is not initialised.
    [[nodiscard]] const QString &document() const { return m_document; }
    // A copy of the document filled for entry: OpenForm ignores sort and
    // DesignForm both texts.
    [[nodiscard]] QString FilledDocument(EntryPoint entry, const QString &filter = QString(),
                                         const QString &sort = QString()) const;

    // Diagnostic counter: reset by ShowForm, shown by the form dialog.
    static quint32 m_ulTickCount;

    // The process-wide column cache: ClearConString forgets its connection
    // text, so the next read on any database starts afresh;
    // RemoveTabFromMap forgets one table (after the host changed its columns).
    static void ClearConString();
    static void RemoveTabFromMap(const QString &table);

private:
    QString m_document;
    QString m_suppressColumns; // SUPPRESSCOLUMN elements, in call order
};

#endif // QRT_FACADE_CKELOFORM_H
