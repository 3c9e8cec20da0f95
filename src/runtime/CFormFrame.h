#ifndef QRT_RUNTIME_CFORMFRAME_H
#define QRT_RUNTIME_CFORMFRAME_H

#include "qrt_export.h"
#include "runtime/CFormParent.h"
#include "runtime/CScrollWnd.h"

class CFormDlg;

// The window that hosts a form inside the form dialog: it scrolls the form
// window in units (CScrollWnd) and is the form's host (CFormParent), so it
// owns the form manager and, through it, the form window and the records.
//
// The form's size comes to it with the manager's FormSizeEvent; the focused
// field is kept in view while the user tabs through the form.
class QRT_EXPORT CFormFrame : public CScrollWnd, public CFormParent
{
    Q_OBJECT

public:
    CFormFrame(const QString &document, CFormDlg *dialog);
    ~CFormFrame() override;

    // Builds the form; false after a message when it cannot be built (the
    // form manager is gone then).
    bool Init(bool newRecord);

    // --- CFormParent ------------------------------------------------------------
    [[nodiscard]] QRect GetWindowRect() const override;
    void MoveWindow(const QRect &rect) override;
    void SetDesignMode(bool designMode) override;
    void SetTitle(const QString &title) override;
    [[nodiscard]] QString GetTitle() const override;
    void EnableForm(bool enable) override;
    void MakePointVisible(int x, int y) override;
    void AttachWindow() override;
    // The dialog's position text follows the record.
    void recordChanged() override;
    [[nodiscard]] std::unique_ptr<FormWindow> CreateFormWindow(bool designMode) override;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void focusMoved(QWidget *now);

    QString m_strDocument;
    CFormDlg *m_pDialog; // not owned: the dialog owns this frame
    // The last rectangle MoveWindow was given, and the window's size it gave
    // (see GetWindowRect). A window's position is its frame's, as move()
    // sets it, before and after the frame comes.
    QRect m_appliedOuter;
    QSize m_appliedSize;
};

#endif // QRT_RUNTIME_CFORMFRAME_H
