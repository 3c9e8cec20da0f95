#ifndef QRT_FILTER_CFILTERDLG_H
#define QRT_FILTER_CFILTERDLG_H

#include "qrt_export.h"

#include <QDialog>

class CalendarDateEdit;
class CComboBoxExt;
class CFilterMgr;
class ComError;
class DialogUnits;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// "Filter setzen": the user picks a column, a condition and a value, adds
// them as criteria, removes them again, saves, loads and deletes named
// filters, and confirms. The criteria belong to the store, so they outlive
// the dialog; the dialog only translates what the user does into calls on
// the store and shows the results.
//
// Each line of the criteria list carries the index of its criterion in the
// store; lines and criteria correspond one to one, in the same order.
//
// By keyboard: every control has a mnemonic; Enter in the criterion input
// adds the criterion and Enter in the saved-filter box loads the named
// filter, and only when there is nothing new to add or load does Enter press
// OK; F4 (or Alt+Down) opens the value list or the calendar; Delete removes
// the selected criterion. Choosing in a box never moves the focus; after an
// action it goes where the next input belongs. The dialog is laid out to its
// texts and resizable, so it fits the screen at any scaling.
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
    QWidget *createInputFrame(const DialogUnits &units);
    QWidget *createSavedFiltersFrame(const DialogUnits &units);
    QWidget *createCriteriaFrame(const DialogUnits &units);
    void bindKeys();
    void FillConditions();
    void ShowValueField();
    void FillCriteriaList();
    void FillFilterNames();
    void addFilterName(const QString &name);
    void showError(const ComError &error);

    [[nodiscard]] bool isDateColumn() const;
    [[nodiscard]] bool needsValue() const; // false for "ohne Wert"
    // The value edit or, for a date column, the date picker.
    [[nodiscard]] QWidget *valueField() const;
    // Whether Enter in the criterion input should add rather than press OK.
    [[nodiscard]] bool hasInputToAdd() const;
    bool addOnEnter();
    bool loadOnEnter();
    void removeSelected();
    void updateButtons();

    QComboBox *m_savedFilters = nullptr;
    QListWidget *m_criteriaList = nullptr;
    CalendarDateEdit *m_datePicker = nullptr;
    CComboBoxExt *m_conditionBox = nullptr;
    CComboBoxExt *m_columnBox = nullptr;
    QLineEdit *m_valueEdit = nullptr; // holds the value text, at most 60 characters
    CFilterMgr *m_pFilterMgr;         // not owned

    QLabel *m_valueLabel = nullptr; // "&Wert", whose buddy is the field shown
    QPushButton *m_pickerButton = nullptr;
    QPushButton *m_removeButton = nullptr;
    // The user changed the criterion input since it was last added (or the
    // dialog opened): Enter adds it rather than pressing OK.
    bool m_inputChanged = false;
    // The criteria are those of the filter the saved-filter box names, just
    // loaded or saved: Enter there presses OK rather than loading it again.
    bool m_nameUsed = false;
};

#endif // QRT_FILTER_CFILTERDLG_H
