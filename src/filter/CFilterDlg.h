#ifndef QRT_FILTER_CFILTERDLG_H
#define QRT_FILTER_CFILTERDLG_H

#include "qrt_export.h"

#include <QDialog>

class CComboBoxExt;
class CFilterMgr;
class ComError;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QListWidget;

// "Filter setzen": the user picks a column, a condition and a value, adds
// them as criteria, removes them again, saves, loads and deletes named
// filters, and confirms. The criteria belong to the store, so they outlive
// the dialog; the dialog only translates what the user does into calls on
// the store and shows the results.
//
// Each line of the criteria list carries the index of its criterion in the
// store; lines and criteria correspond one to one, in the same order.
class QRT_AUTOTEST_EXPORT CFilterDlg : public QDialog
{
    Q_OBJECT

public:
    // The ids of the dialog template; each control also has an object name.
    enum ControlId {
        IDC_COLUMN = 6000,      // "column"
        IDC_PICKER = 6001,      // "picker": the "..." button
        IDC_CONDITION = 6002,   // "condition"
        IDC_VALUE = 6003,       // "value"
        IDC_ADD = 6004,         // "add"
        IDC_REMOVE = 6006,      // "remove"
        IDC_LOAD = 6007,        // "load"
        IDC_SAVE = 6008,        // "save"
        IDC_CRITERIA = 6009,    // "criteria"
        IDC_DATE = 6011,        // "date"
        IDC_SAVEDFILTER = 6012, // "savedFilters"
        IDC_DELETE = 6013,      // "delete"
    };

    CFilterDlg(CFilterMgr *store, QWidget *parent = nullptr);
    ~CFilterDlg() override;

public slots:
    void OnColumnChanged();
    void OnConditionChanged();
    void OnAdd();
    void OnRemove();
    void OnSave();
    void OnLoad();
    void OnDelete();
    void OnShowStatement();
    void OnValuePicker();
    // OK: only with criteria that the database accepts.
    void accept() override;

private:
    void createControls();
    void FillConditions();
    void ShowValueField();
    void FillCriteriaList();
    void FillFilterNames();
    void addFilterName(const QString &name);
    void showError(const ComError &error);

    QComboBox *m_savedFilters = nullptr;
    QListWidget *m_criteriaList = nullptr;
    QDateEdit *m_datePicker = nullptr;
    CComboBoxExt *m_conditionBox = nullptr;
    CComboBoxExt *m_columnBox = nullptr;
    QLineEdit *m_valueEdit = nullptr; // holds the value text, at most 60 characters
    CFilterMgr *m_pFilterMgr;         // not owned
};

#endif // QRT_FILTER_CFILTERDLG_H
