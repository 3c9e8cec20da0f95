#ifndef QRT_FACADE_CKELOFORM_H
#define QRT_FACADE_CKELOFORM_H

#include "facade/FormCheck.h"
#include "facade/KeloTypes.h"
#include "qrt_export.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class CFormDlg;
class CFormMgr;
class QWidget;

// The host's handle on one form. Init composes the ADOBUILDER configuration
// document with the placeholders "@Designmodus" and "@SuppressColumns" and the
// empty FILTER and SORT slots still in it; every way of showing the form fills
// a copy of it, so the stored document never changes after Init. The facade
// itself holds no connection; only Check reads the database, on a connection
// of its own.
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
    // Closes a modeless form that is still open (as CloseForm).
    ~CKeloForm();
    // A copy takes the texts but not the modeless form: only the facade that
    // opened a form closes it.
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

    // text (SQL, a password, a file or table name) as the calls of this class
    // take it: they put their values into the configuration document as
    // they are, so a "<", "&" or quote must come escaped. A host passes its
    // plain texts through this: ShowForm(DocumentText("Preis < 50")).
    [[nodiscard]] static QString DocumentText(const QString &text);

    // The document as Init composed it, placeholders included; empty before
    // Init, which is how the facade knows it is not initialised.
    [[nodiscard]] const QString &document() const { return m_document; }
    // A copy of the document filled for entry: OpenForm ignores sort and
    // DesignForm both texts.
    [[nodiscard]] QString FilledDocument(EntryPoint entry, const QString &filter = QString(),
                                         const QString &sort = QString()) const;

    // Whether the form can be shown as entry would show it, before a window
    // opens: the database opens with the login given, the table exists, and
    // in data mode a form is stored for it and the database accepts filter
    // and sort. Shows no message: the answer says why not. Only reads.
    [[nodiscard]] FormCheck Check(EntryPoint entry, const QString &filter = QString(),
                                  const QString &sort = QString()) const;

    // Shows the form modally in data mode, filtered and sorted (SQL without
    // WHERE and ORDER BY), on a new empty record when newRecord is set.
    // Returns the key of the first record saved while it was open, or -1.
    // A form that cannot be built is not shown (its message says why); see
    // lastFormBuilt().
    long ShowForm(const QString &filter = QString(), const QString &sort = QString(),
                  bool newRecord = false);
    // Shows the form modelessly in data mode as a window of parent; a second
    // call applies the new filter to the form already open.
    void OpenForm(const QString &filter = QString(), QWidget *parent = nullptr);
    // Shows the form modally in design mode.
    void DesignForm();
    // Whether the form of the last ShowForm, OpenForm, DesignForm or
    // SavePicture could be built.
    [[nodiscard]] bool lastFormBuilt() const { return m_lastBuilt; }

    enum class Picture { Saved, FormNotBuilt, NotSaved };
    // Draws the form as entry shows it, with its first record (or a new one)
    // and "Datensatz n von m" counted, into a PNG file, without a user:
    // nothing is asked or saved. Works on the offscreen platform.
    Picture SavePicture(const QString &file, EntryPoint entry, const QString &filter = QString(),
                        const QString &sort = QString(), bool newRecord = false);
    enum class Export { Written, FormNotBuilt, NotWritten };
    // Writes every record of the filter and sort to a CSV file, for German
    // spreadsheet programs or for programs (see RecordExport), without a
    // user; *error says why NotWritten. Works on the offscreen platform.
    Export ExportRecords(const QString &file, bool forPrograms, const QString &filter = QString(),
                         const QString &sort = QString(), QString *error = nullptr);
    // What a PDF file holds: the first record of the filter and sort as the
    // form lays it out, every record so (each on pages of its own), or every
    // record as a compact list.
    enum class PdfContent { CurrentRecord, EachRecord, List };
    // Writes the records to a PDF file (see RecordPrint), without a user;
    // *error says why NotWritten. Works on the offscreen platform.
    Export WritePdf(const QString &file, PdfContent content, const QString &filter = QString(),
                    const QString &sort = QString(), QString *error = nullptr);
    // Whether the forms shown in data mode from now on (ShowForm, OpenForm,
    // SavePicture) come up in the datasheet view, a table of the records,
    // rather than one record in the form; the user switches either way.
    void SetDatasheetView(bool datasheet) { m_datasheetView = datasheet; }
    [[nodiscard]] bool datasheetView() const { return m_datasheetView; }
    // Closes the modeless form, without asking (the host decides).
    void CloseForm();
    // Enables or disables the modeless form's fields and record commands.
    void EnableForm(bool enable);
    // Whether a modeless form opened by OpenForm is open.
    [[nodiscard]] bool IsOpen() const;
    // The modeless form's dialog, while it is open (for tests).
    [[nodiscard]] CFormDlg *modelessDialog() const;
    // Its window, for a host that waits until it is closed (destroyed()).
    [[nodiscard]] QWidget *modelessWindow() const;

    // Diagnostic counter: reset by ShowForm, shown by the form dialog.
    static quint32 m_ulTickCount;

    // The process-wide column cache: ClearConString forgets its connection
    // text, so the next read on any database starts afresh;
    // RemoveTabFromMap forgets one table (after the host changed its columns).
    static void ClearConString();
    static void RemoveTabFromMap(const QString &table);

    // Qt's own texts in the library's windows (standard buttons, context
    // menus of fields, the calendar) come in German: when a form, a filter
    // dialog or a CKeloFormWidget is first shown, the library installs Qt's
    // translation qtbase_de on the application, unless the application
    // already translates Qt's texts. That translator serves the host's own
    // windows too; a host that wants Qt in English (or installs its own
    // translation later) switches it off here, before or after: off also
    // takes back the translator the library installed. For every facade.
    static void setQtTranslationEnabled(bool enabled);
    [[nodiscard]] static bool isQtTranslationEnabled();

private:
    // Shows the not-initialised message; true when there is a document.
    bool requireDocument() const;
    // Builds the form of the filter and sort without showing it and lets
    // write put its records into a file (true when written).
    Export WriteRecords(const QString &filter, const QString &sort,
                        const std::function<bool(CFormMgr &)> &write);

    QString m_document;
    QString m_suppressColumns; // SUPPRESSCOLUMN elements, in call order
    // The form OpenForm opened, while it is open. Owned here; observed, since
    // a parent window given to OpenForm deletes it when it goes first.
    QPointer<CFormDlg> m_pModeless;
    bool m_lastBuilt = false;
    bool m_datasheetView = false;
};

#endif // QRT_FACADE_CKELOFORM_H
