#ifndef QRT_RUNTIME_CFORMDLG_H
#define QRT_RUNTIME_CFORMDLG_H

#include "qrt_export.h"
#include "runtime/CToolbarDlg.h"

#include <functional>

class CFormFrame;
class QUndoStack;
class RecordCommands;

// The dialog a form is shown in: menu and tool bar for the form's mode, the
// accelerators of the records, and below them the form frame, which holds
// the form. It runs modally (ShowForm, DesignForm) or modelessly (OpenForm);
// in modeless use the facade that opened it is asked to close it.
//
// In data mode the tool bar says where the record stands ("Datensatz 5 von
// 300"); the count never delays the first record: it is asked for once the
// form is up, and the text says so until it is known.
class QRT_EXPORT CFormDlg : public CToolbarDlg
{
    Q_OBJECT

public:
    // The dialog's template: caption, size in dialog units.
    static constexpr int TemplateId = 6015;
    static constexpr int TemplateWidth = 321;
    static constexpr int TemplateHeight = 194;

    // closeRequested: in modeless use, what closing the dialog asks its
    // owner to do (the owner destroys the dialog); empty for modal use.
    CFormDlg(const QString &document, bool newRecord, std::function<void()> closeRequested = {},
             QWidget *parent = nullptr);
    ~CFormDlg() override;

    // The form's host; null when the form could not be built.
    [[nodiscard]] CFormFrame *GetFormHost() const { return m_pFormHost; }
    [[nodiscard]] bool IsDesignMode() const { return m_bDesignMode; }

    // The frame reports the form's mode: menu and tool bar follow it.
    void modeChanged(bool designMode);
    // "Datensatz n von m" as it stands now; countNow may ask the database.
    void updatePosition(bool countNow = false);
    [[nodiscard]] QString positionText() const;

public slots:
    void reject() override;

protected:
    void onCommand(int id) override;
    bool canRun(int id) const override;

private slots:
    // The design history changed: undo and redo name what they would do.
    void designHistoryChanged();

private:
    // The design-mode form's history of changes; null in data mode.
    [[nodiscard]] QUndoStack *designHistory() const;
    // Whether the form may close now (it offers to save first).
    bool mayClose();
    // Modeless use: hides the dialog and lets its owner destroy it.
    void askOwnerToClose();
    void runDesignCommand(int id);

    CFormFrame *m_pFormHost = nullptr; // a child; deleted first, before the bars
    std::function<void()> m_closeRequested;
    QString m_strDocument;
    bool m_bNewRecord;
    bool m_bDesignMode = false;
    RecordCommands *m_commands = nullptr; // a child
};

#endif // QRT_RUNTIME_CFORMDLG_H
