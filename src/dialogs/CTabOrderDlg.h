#ifndef QRT_DIALOGS_CTABORDERDLG_H
#define QRT_DIALOGS_CTABORDERDLG_H

#include "qrt_export.h"

#include <QDialog>

class CDynControl;
class CFormBuilder;
class FormWindow;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// "Aufbau des Formulars": which of the table's fields are on the form, and
// in which order. The left list holds the fields on the form, the right one
// the fields the builder made that are not on it; captions and frames are
// never listed. Moving a field across adds it to the form (below
// everything, beside its label) or takes it off (with its label) at once;
// the left list's order, which the user changes by dragging its entries (or
// with Ctrl+Up and Ctrl+Down), becomes the form's order on OK, fields first,
// then the captions and frames as they stood. Closed any other way, the
// dialog keeps what was added and removed and leaves the order.
//
// Keys: Delete or a double-click hides the left list's field, Enter or a
// double-click shows the right list's.
class QRT_AUTOTEST_EXPORT CTabOrderDlg : public QDialog
{
    Q_OBJECT

public:
    enum ControlId {
        IDD = 6009,
        IDC_SHOW_SELECTED = 6004,
        IDC_SHOWN = 6016,
        IDC_HIDDEN = 6017,
        IDC_SHOW_ALL = 6019,
        IDC_HIDE_SELECTED = 6020,
        IDC_HIDE_ALL = 6021,
    };

    CTabOrderDlg(FormWindow *form, CFormBuilder *builder, QWidget *parent = nullptr);
    ~CTabOrderDlg() override;

    // The entries' controls, in list order.
    [[nodiscard]] QVector<CDynControl *> shownFields() const;
    [[nodiscard]] QVector<CDynControl *> hiddenFields() const;

    // Takes the field of the left list's entry row off the form; false when
    // the form refused.
    bool HideField(int row);
    // Puts the field of the right list's entry row on the form.
    void ShowField(int row);

    // The buttons: ">", ">>", "<", "<<".
    void OnHideSelected();
    void OnHideAll();
    void OnShowSelected();
    void OnShowAll();

public slots:
    // Orders the form: the left list's fields, then captions and frames.
    void accept() override;

private:
    void fillLists();
    // Moves the left list's current entry by one place, as a drag would.
    bool moveCurrent(int by);
    static QListWidgetItem *itemFor(CDynControl *control);
    static CDynControl *controlOf(const QListWidgetItem *item);

    FormWindow *m_form;       // not owned
    CFormBuilder *m_builder;  // not owned: its pool holds every field
    QListWidget *m_shownList; // a list the user reorders by dragging
    QListWidget *m_hiddenList;
};

#endif // QRT_DIALOGS_CTABORDERDLG_H
