#ifndef QRT_RUNTIME_CFORMFRAME_H
#define QRT_RUNTIME_CFORMFRAME_H

#include "qrt_export.h"
#include "runtime/CFormParent.h"
#include "runtime/CScrollWnd.h"

#include <memory>
#include <vector>

class Datasheet;
class Subform;
class QToolBar;
class RecordCommands;

// The window that hosts a form inside the form dialog or a host's widget:
// it scrolls the form window in units (CScrollWnd) and is the form's host
// (CFormParent), so it owns the form manager and, through it, the form
// window and the records. What happens to the form it tells the window
// around it through its signals.
//
// The form's size comes to it with the manager's FormSizeEvent; the focused
// field is kept in view while the user tabs through the form.
class QRT_EXPORT CFormFrame : public CScrollWnd, public CFormParent
{
    Q_OBJECT

public:
    // window: the top-level window whose rectangle and title are the stored
    // form's (the form dialog); null when the frame sits in a host's layout,
    // which decides its size. toolBar: the one whose buttons show the
    // drawing commands pressed, if any.
    CFormFrame(const QString &document, QWidget *parent, QWidget *window = nullptr,
               QToolBar *toolBar = nullptr);
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
    void recordChanged() override;
    void recordSaved(qint64 key) override;
    void recordModifiedChanged() override;
    void recordDeleted(qint64 key) override;
    [[nodiscard]] std::unique_ptr<FormWindow> CreateFormWindow(bool designMode) override;
    [[nodiscard]] bool showsFields() const override { return !m_datasheetShown; }
    [[nodiscard]] QString cursorColumn() const override;
    bool putCursorInColumn(const QString &column) override;

    // The two views of the records in data mode: the form, one record at a
    // time, and the datasheet, a table of them. The current record and the
    // field the cursor is in stay as they are when the view changes.
    enum class View { Form, Datasheet };
    void setView(View view);
    [[nodiscard]] View view() const { return m_datasheetShown ? View::Datasheet : View::Form; }
    // The datasheet, once it was shown; null before.
    [[nodiscard]] Datasheet *datasheet() const { return m_datasheet; }

    // The commands whose keys a field must not take for itself; null: none.
    void setCommands(const RecordCommands *commands) { m_commands = commands; }

signals:
    void designModeChanged(bool designMode);
    // The form was enabled or disabled.
    void stateChanged();
    // Another record is shown, the fields were emptied for a new one, or the
    // current one was stored.
    void recordShown();
    // The current record was written (key: -1 where the key is no whole
    // number), or a stored one deleted.
    void recordWritten(qint64 key);
    void recordRemoved(qint64 key);
    // The record shown got its first unsaved change, or lost its last one.
    void modifiedChanged();
    // The form or the datasheet is shown now (setView).
    void viewChanged();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void focusMoved(QWidget *now);
    void placeDatasheet();

    QString m_strDocument;
    QWidget *m_window;                          // not owned; null in a host's layout
    QString m_title;                            // the title without a window of its own
    const RecordCommands *m_commands = nullptr; // not owned
    // The last rectangle MoveWindow was given, and the window's size it gave
    // (see GetWindowRect). A window's position is its frame's, as move()
    // sets it, before and after the frame comes.
    QRect m_appliedOuter;
    QSize m_appliedSize;
    Datasheet *m_datasheet = nullptr; // a child, made when first shown
    std::vector<std::unique_ptr<Subform>> m_subforms;
    bool m_datasheetShown = false;
};

#endif // QRT_RUNTIME_CFORMFRAME_H
