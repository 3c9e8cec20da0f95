#include "filter/CFilterDlg.h"

#include "controls/CComboBoxExt.h"
#include "data/DateText.h"
#include "filter/CFilterMgr.h"
#include "filter/CInhaltDlg.h"
#include "filter/CSqlFilterDlg.h"
#include "platform/BuddyGroupBox.h"
#include "platform/CalendarDateEdit.h"
#include "platform/ComError.h"
#include "platform/DialogButtons.h"
#include "platform/DialogUnits.h"
#include "platform/KeyAction.h"
#include "platform/ScreenFit.h"
#include "platform/UserMessages.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

using qrt::named;
using qrt::setButtonWidth;

namespace {

constexpr int kMaxValueLength = CFilterMgr::MaxValueLength;

QLabel *labelFor(QWidget *buddy, const QString &text, const char *name)
{
    auto *label = new QLabel(text, buddy->parentWidget());
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    return label;
}

// A box as wide as its longest entry up to a number of characters: names
// can be long (255 characters), and the dialog must still fit the screen.
void fitToEntries(QComboBox *box, int maxCharacters)
{
    qsizetype longest = 0;
    for (int i = 0; i < box->count(); ++i)
        longest = qMax(longest, box->itemText(i).size());
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(int(qBound(qsizetype(12), longest, qsizetype(maxCharacters))));
}

// At least as wide as the template's buttons (50 units), wider where the
// text needs it.
} // namespace

CFilterDlg::CFilterDlg(CFilterMgr *store, QWidget *parent) : QDialog(parent), m_pFilterMgr(store)
{
    setWindowTitle(QStringLiteral("Filter setzen"));
    createControls();
    bindKeys();

    const QVector<ColumnInfo> &columns = m_pFilterMgr->columns();
    {
        const QSignalBlocker blocker(m_columnBox);
        for (qsizetype i = 0; i < columns.size(); ++i)
            m_columnBox->addItem(columns.at(i).name, int(i));
        m_columnBox->setCurrentIndex(columns.isEmpty() ? -1 : 0);
    }
    // Names up to 18 characters show whole in the box at the dialog's
    // smallest, which fits a 640 pixels wide screen (1280 at 200 %); the
    // list opens as wide as the longest name, however narrow the box.
    fitToEntries(m_columnBox, 18);
    m_columnBox->view()->setMinimumWidth(
        m_columnBox->view()->sizeHintForColumn(0) +
        m_columnBox->view()->verticalScrollBar()->sizeHint().width());
    FillConditions();
    FillFilterNames();
    ShowValueField();
    OnConditionChanged();
    if (!m_pFilterMgr->criteria().isEmpty())
        FillCriteriaList();
    updateButtons();
    m_inputChanged = false;
    valueField()->setFocus();
    fitToScreen(this, DialogUnits(font()).size(402, 167).expandedTo(sizeHint()));
}

CFilterDlg::~CFilterDlg() = default;

void CFilterDlg::createControls()
{
    setFont(DialogUnits::templateFont());
    const DialogUnits units(font());

    // Created in tab order: the criterion input, the saved filters, the
    // criteria, then OK and Abbrechen. Each frame holds what it frames, so
    // the frames grow with their texts.
    QWidget *input = createInputFrame(units);
    QWidget *saved = createSavedFiltersFrame(units);
    QWidget *criteria = createCriteriaFrame(units);
    const auto [ok, cancel] = qrt::makeOkCancelButtons(this, units);

    auto *dialog = new QGridLayout(this);
    dialog->addWidget(input, 0, 0);
    dialog->addWidget(saved, 1, 0);
    dialog->addWidget(criteria, 0, 1, 2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    dialog->addLayout(buttons, 2, 0, 1, 2);
    dialog->setColumnStretch(0, 1);
    dialog->setColumnStretch(1, 1);
    dialog->setRowStretch(1, 1);
    setSizeGripEnabled(true);
}

QWidget *CFilterDlg::createInputFrame(const DialogUnits &units)
{
    auto *frame = new QGroupBox(QStringLiteral("Filterwerte"), this);
    m_columnBox = named(new CComboBoxExt(frame), "column", IDC_COLUMN);
    m_pickerButton = named(new QPushButton(QStringLiteral("..."), frame), "picker", IDC_PICKER);
    m_pickerButton->setToolTip(QStringLiteral("Werte der Spalte zur Auswahl anzeigen (F4)"));
    m_pickerButton->setAccessibleName(QStringLiteral("Werte der Spalte anzeigen"));
    m_pickerButton->setMaximumWidth(units.x(20));
    m_conditionBox = named(new CComboBoxExt(frame), "condition", IDC_CONDITION);
    m_valueEdit = named(new QLineEdit(frame), "value", IDC_VALUE);
    m_valueEdit->setMaxLength(kMaxValueLength);
    m_valueEdit->setToolTip(QStringLiteral("F4 zeigt die Werte der Spalte zur Auswahl"));
    // The date picker takes the place of the value field for date columns;
    // its calendar opens right-aligned, towards the middle of the dialog.
    m_datePicker = named(new CalendarDateEdit(QDate::currentDate(), frame), "date", IDC_DATE);
    m_datePicker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_datePicker->setCalendarAlignment(Qt::AlignRight);
    auto *add = named(new QPushButton(QStringLiteral("&Hinzufügen >>"), frame), "add", IDC_ADD);
    setButtonWidth(units, {add});

    auto *layout = new QGridLayout(frame);
    layout->addWidget(labelFor(m_columnBox, QStringLiteral("&Spalte"), "columnLabel"), 0, 0);
    layout->addWidget(m_columnBox, 0, 1);
    layout->addWidget(m_pickerButton, 0, 2, Qt::AlignLeft);
    layout->addWidget(labelFor(m_conditionBox, QStringLiteral("&Bedingung"), "conditionLabel"), 1,
                      0);
    layout->addWidget(m_conditionBox, 1, 1);
    m_valueLabel = labelFor(m_valueEdit, QStringLiteral("&Wert"), "valueLabel");
    layout->addWidget(m_valueLabel, 2, 0);
    layout->addWidget(m_valueEdit, 2, 1);
    layout->addWidget(m_datePicker, 2, 1);
    layout->addWidget(add, 2, 2);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(3, 1);

    // Only the user's choices: the dialog's own fills block these signals.
    connect(m_columnBox, &QComboBox::currentIndexChanged, this, &CFilterDlg::OnColumnChanged);
    connect(m_conditionBox, &QComboBox::currentIndexChanged, this, &CFilterDlg::OnConditionChanged);
    connect(m_pickerButton, &QPushButton::clicked, this, &CFilterDlg::OnValuePicker);
    connect(add, &QPushButton::clicked, this, &CFilterDlg::OnAdd);
    // What the user changes in the input is new input for Enter to add.
    connect(m_valueEdit, &QLineEdit::textEdited, this, [this] { m_inputChanged = true; });
    connect(m_datePicker, &QDateEdit::dateChanged, this, [this] { m_inputChanged = true; });
    return frame;
}

QWidget *CFilterDlg::createSavedFiltersFrame(const DialogUnits &units)
{
    auto *frame = new BuddyGroupBox(QStringLiteral("&Gespeicherte Filter"), this);
    m_savedFilters = named(new QComboBox(frame), "savedFilters", IDC_SAVEDFILTER);
    m_savedFilters->setEditable(true);
    m_savedFilters->setInsertPolicy(QComboBox::NoInsert); // names enter the list by saving
    fitToEntries(m_savedFilters, 12);
    frame->setBuddy(m_savedFilters);
    auto *load = named(new QPushButton(QStringLiteral("&Laden"), frame), "load", IDC_LOAD);
    auto *save = named(new QPushButton(QStringLiteral("S&peichern"), frame), "save", IDC_SAVE);
    auto *remove = named(new QPushButton(QStringLiteral("Lös&chen"), frame), "delete", IDC_DELETE);
    setButtonWidth(units, {load, save, remove});

    auto *layout = new QGridLayout(frame);
    layout->addWidget(m_savedFilters, 0, 0, 1, 3);
    layout->addWidget(load, 1, 0);
    layout->addWidget(save, 1, 1);
    layout->addWidget(remove, 1, 2);
    layout->setRowStretch(2, 1);

    connect(load, &QPushButton::clicked, this, &CFilterDlg::OnLoad);
    connect(m_savedFilters, &QComboBox::activated, this, &CFilterDlg::OnLoad);
    connect(save, &QPushButton::clicked, this, &CFilterDlg::OnSave);
    connect(remove, &QPushButton::clicked, this, &CFilterDlg::OnDelete);
    connect(m_savedFilters, &QComboBox::editTextChanged, this, [this] { m_nameUsed = false; });
    return frame;
}

QWidget *CFilterDlg::createCriteriaFrame(const DialogUnits &units)
{
    auto *frame = new BuddyGroupBox(QStringLiteral("Ausgewählte Filter&kriterien"), this);
    m_criteriaList = named(new QListWidget(frame), "criteria", IDC_CRITERIA);
    m_criteriaList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_criteriaList->setMinimumSize(units.size(100, 40));
    frame->setBuddy(m_criteriaList);
    // The statement is shown by double-click, as ever, and by this button,
    // which the keyboard reaches.
    auto *statement = new QPushButton(QStringLiteral("SQL-Be&fehl..."), frame);
    statement->setObjectName(QStringLiteral("statement"));
    statement->setToolTip(QStringLiteral("Den SQL-Befehl des Filters anzeigen"));
    m_removeButton =
        named(new QPushButton(QStringLiteral("&Entfernen"), frame), "remove", IDC_REMOVE);
    setButtonWidth(units, {statement, m_removeButton});

    auto *layout = new QGridLayout(frame);
    layout->addWidget(m_criteriaList, 0, 0, 1, 3);
    layout->addWidget(statement, 1, 0);
    layout->setColumnStretch(1, 1);
    layout->addWidget(m_removeButton, 1, 2);
    layout->setRowStretch(0, 1);

    connect(m_criteriaList, &QListWidget::itemDoubleClicked, this, &CFilterDlg::OnShowStatement);
    connect(statement, &QPushButton::clicked, this, &CFilterDlg::OnShowStatement);
    connect(m_removeButton, &QPushButton::clicked, this, &CFilterDlg::OnRemove);
    connect(m_criteriaList, &QListWidget::itemSelectionChanged, this, &CFilterDlg::updateButtons);
    // The line the focus rests on is the one Delete and "Entfernen" act on.
    connect(m_criteriaList, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem *current) {
                if (current && m_criteriaList->selectedItems().isEmpty())
                    current->setSelected(true);
            });
    return frame;
}

void CFilterDlg::bindKeys()
{
    for (QWidget *input :
         {static_cast<QWidget *>(m_columnBox), static_cast<QWidget *>(m_conditionBox),
          static_cast<QWidget *>(m_valueEdit), static_cast<QWidget *>(m_datePicker)})
        KeyAction::onEnter(input, [this] { return addOnEnter(); });
    KeyAction::onEnter(m_savedFilters, [this] { return loadOnEnter(); });
    // The value field's list is the value picker, as a date field's is its calendar.
    KeyAction::onDropDown(m_valueEdit, [this] {
        OnValuePicker();
        return true;
    });
    KeyAction::onDelete(m_criteriaList, [this] {
        if (m_criteriaList->selectedItems().isEmpty())
            return false;
        OnRemove();
        return true;
    });
}

void CFilterDlg::FillConditions()
{
    const QSignalBlocker blocker(m_conditionBox);
    m_conditionBox->clear();
    for (const qint32 code : m_pFilterMgr->ConditionsFor(m_columnBox->GetSelectedData()))
        m_conditionBox->addItem(FilterCondition::listText(code), code);
    if (m_conditionBox->count() > 0)
        m_conditionBox->setCurrentIndex(0);
}

bool CFilterDlg::isDateColumn() const
{
    return m_pFilterMgr->CategoryAt(m_columnBox->GetSelectedData()) == TypeCategory::Date;
}

bool CFilterDlg::needsValue() const
{
    return m_conditionBox->GetSelectedData() != FilterCondition::NoValue;
}

QWidget *CFilterDlg::valueField() const
{
    return isDateColumn() ? static_cast<QWidget *>(m_datePicker) : m_valueEdit;
}

void CFilterDlg::OnColumnChanged()
{
    FillConditions();
    // A value typed for one column seldom fits another (a name for a number).
    m_valueEdit->clear();
    OnConditionChanged();
    ShowValueField();
}

void CFilterDlg::ShowValueField()
{
    if (m_columnBox->GetSelectedData() < 0)
        return;
    QWidget *shown = valueField();
    QWidget *hidden = shown == m_valueEdit ? static_cast<QWidget *>(m_datePicker) : m_valueEdit;
    // The focus stays where the user is (an arrow key in the column box
    // changes the column, nothing more); only a field that goes away hands
    // it on to the one that takes its place.
    const bool hadFocus = focusWidget() == hidden;
    shown->setVisible(true);
    hidden->setVisible(false);
    m_valueLabel->setBuddy(shown);
    if (hadFocus)
        shown->setFocus();
}

void CFilterDlg::OnConditionChanged()
{
    m_inputChanged = true;
    // "ohne Wert" has no value to enter, by hand or by the picker.
    const bool enabled = needsValue();
    m_valueEdit->setEnabled(enabled);
    m_datePicker->setEnabled(enabled);
    m_pickerButton->setEnabled(enabled && m_columnBox->GetSelectedData() >= 0);
    if (!enabled)
        m_valueEdit->clear();
}

void CFilterDlg::FillCriteriaList()
{
    m_criteriaList->clear();
    const QStringList lines = m_pFilterMgr->ListCriteria(this);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        auto *line = new QListWidgetItem(lines.at(i), m_criteriaList);
        line->setData(Qt::UserRole, int(i));
    }
    updateButtons();
}

void CFilterDlg::updateButtons()
{
    m_removeButton->setEnabled(!m_criteriaList->selectedItems().isEmpty());
}

bool CFilterDlg::hasInputToAdd() const
{
    if (m_columnBox->GetSelectedData() < 0)
        return false;
    // Without criteria OK cannot succeed, so Enter can only mean "add" and
    // lets the checks say what is missing.
    if (m_pFilterMgr->criteria().isEmpty())
        return true;
    // A date and "ohne Wert" are complete as they stand: new only when the
    // user changed them since they were last added.
    if (!needsValue() || isDateColumn())
        return m_inputChanged;
    return !m_valueEdit->text().isEmpty();
}

bool CFilterDlg::addOnEnter()
{
    if (!hasInputToAdd())
        return false; // on to OK
    OnAdd();
    return true;
}

bool CFilterDlg::loadOnEnter()
{
    if (m_savedFilters->currentText().isEmpty() || m_nameUsed)
        return false; // on to OK
    OnLoad();
    return true;
}

void CFilterDlg::OnAdd()
{
    QString line;
    switch (m_pFilterMgr->AddCriterion(m_columnBox->GetSelectedData(),
                                       m_conditionBox->GetSelectedData(), m_valueEdit->text(),
                                       m_datePicker->date(), &line, this)) {
    case CFilterMgr::AddResult::NoColumn:
        return;
    case CFilterMgr::AddResult::Refused:
        valueField()->setFocus();
        return;
    case CFilterMgr::AddResult::Added:
        break;
    }
    auto *item = new QListWidgetItem(line, m_criteriaList);
    item->setData(Qt::UserRole, int(m_pFilterMgr->criteria().size() - 1));
    m_valueEdit->clear();
    m_inputChanged = false;
    m_nameUsed = false; // the criteria are no longer the named filter's
    // The next criterion, or Enter for OK, starts where this one was typed.
    if (valueField()->isEnabled())
        valueField()->setFocus();
}

void CFilterDlg::OnRemove()
{
    const QList<QListWidgetItem *> selected = m_criteriaList->selectedItems();
    if (selected.isEmpty()) {
        qrt::warn(QStringLiteral("Bitte das Filterkriterium markieren, das gelöscht werden soll!"),
                  this);
        return;
    }
    const int removed = selected.first()->data(Qt::UserRole).toInt();
    // The lines after it now stand for the criterion before theirs.
    for (int row = removed; row < m_criteriaList->count(); ++row) {
        QListWidgetItem *line = m_criteriaList->item(row);
        line->setData(Qt::UserRole, line->data(Qt::UserRole).toInt() - 1);
    }
    delete m_criteriaList->takeItem(removed);
    m_pFilterMgr->RemoveCriterion(removed);
    m_nameUsed = false;
    // The next line is ready to go the same way; with none left, the next
    // step is a new criterion.
    if (m_criteriaList->count() > 0) {
        m_criteriaList->setCurrentRow(qMin(removed, m_criteriaList->count() - 1));
    } else {
        updateButtons();
        if (valueField()->isEnabled())
            valueField()->setFocus();
        else
            m_columnBox->setFocus();
    }
}

void CFilterDlg::OnSave()
{
    const QString name = m_savedFilters->currentText();
    if (name.isEmpty()) {
        qrt::warn(QStringLiteral("Bitte tragen Sie erst einen Namen für den Filter ein!"), this);
        m_savedFilters->setFocus();
        return;
    }
    if (m_pFilterMgr->criteria().isEmpty()) {
        qrt::warn(QStringLiteral("Bitte fügen Sie mindestens ein Filterkriterium hinzu.!"), this);
        valueField()->setFocus();
        return;
    }
    // Refused before anything is asked or written.
    const QString refusal = m_pFilterMgr->checkSaving(name);
    if (!refusal.isEmpty()) {
        qrt::warn(refusal, this);
        m_savedFilters->setFocus();
        return;
    }
    try {
        const qint32 key = m_pFilterMgr->FindFilterId(name);
        bool saved = false;
        if (key != -1) {
            if (qrt::askYesNo(QStringLiteral("Dieser Filter existiert bereits. Überschreiben?"),
                              this,
                              UserMessages::Consequence::Destructive) != UserMessages::Answer::Yes)
                return;
            saved = m_pFilterMgr->ReplaceFilter(key, name);
        } else {
            saved = m_pFilterMgr->SaveFilter(name);
        }
        if (!saved)
            return;
        if (m_savedFilters->findText(name, Qt::MatchFixedString) < 0)
            addFilterName(name);
        m_savedFilters->setEditText(name); // as saved, even where the list spells it otherwise
        m_nameUsed = true;
        qrt::inform(QStringLiteral("Filter erfolgreich gespeichert!"), this);
    } catch (const ComError &error) {
        showError(error);
    }
}

void CFilterDlg::OnLoad()
{
    // The chosen entry, or what the user typed.
    const QString name = m_savedFilters->currentText();
    try {
        if (m_pFilterMgr->FindFilterId(name) == -1) {
            qrt::warn(QStringLiteral("Bitte geben Sie den Namen eines existierenden Filters ein "
                                     "oder wählen einen aus der Liste aus!"),
                      this);
            m_savedFilters->setFocus();
            return;
        }
        m_pFilterMgr->LoadFilter(name);
        FillCriteriaList();
        m_nameUsed = true;
    } catch (const ComError &error) {
        showError(error);
    }
}

void CFilterDlg::OnDelete()
{
    const QString name = m_savedFilters->currentText();
    try {
        const qint32 key = m_pFilterMgr->FindFilterId(name);
        if (key == -1) {
            qrt::warn(QStringLiteral("Dieser Filter existiert nicht!"), this);
            m_savedFilters->setFocus();
            return;
        }
        if (qrt::askYesNo(QStringLiteral("Den Filter ") + name +
                              QStringLiteral(" wirklich löschen?"),
                          this, UserMessages::Consequence::Destructive) == UserMessages::Answer::No)
            return;
        m_pFilterMgr->DeleteFilter(key);
        m_pFilterMgr->ResetCriteria();
        FillCriteriaList();
        FillFilterNames();
        m_savedFilters->setFocus();
    } catch (const ComError &error) {
        showError(error);
    }
}

void CFilterDlg::OnShowStatement()
{
    CSqlFilterDlg statement(this);
    statement.setStatement(m_pFilterMgr->GetSelectStatement());
    statement.exec();
}

void CFilterDlg::OnValuePicker()
{
    // "ohne Wert" has no value the picker could fill in.
    if (!needsValue() || m_columnBox->GetSelectedData() < 0)
        return;
    QStringList values;
    try {
        m_pFilterMgr->GetPickableValues(m_columnBox->GetSelectedData(), kMaxValueLength, values);
    } catch (const ComError &error) {
        showError(error);
        return;
    }
    CInhaltDlg picker(this);
    picker.setValues(&values);
    if (!isDateColumn())
        picker.selectValue(m_valueEdit->text());
    const bool chosen = picker.exec() == QDialog::Accepted;
    valueField()->setFocus();
    if (!chosen)
        return;
    if (isDateColumn()) {
        // A text that reads as no date leaves the picker's date as it was.
        const Variant date = DateText::ParseDate(picker.chosenText());
        if (date.type() == Variant::Type::Date)
            m_datePicker->setDate(date.toDateTime().date());
    } else {
        m_valueEdit->setText(picker.chosenText());
        m_inputChanged = true;
    }
}

void CFilterDlg::accept()
{
    QString condition;
    QString why;
    if (!m_pFilterMgr->BuildCondition(&condition, &why)) {
        qrt::warn(why, this);
        m_criteriaList->setFocus();
        return;
    }
    if (condition.isEmpty()) {
        qrt::warn(QStringLiteral("Bitte mindestens ein Filterkriterium auswählen oder das "
                                 "Fenster über 'Abbrechen' verlassen."),
                  this);
        valueField()->setFocus();
        return;
    }
    if (!m_pFilterMgr->TestCondition()) {
        qrt::warn(QStringLiteral("Der Filter kann nicht angewendet werden.\r\n\r\nBitte prüfen "
                                 "Sie, ob evtl. Spalten "
                                 "verwendet werden, die aus der Datenbank entfernt wurden und "
                                 "entfernen diese aus der "
                                 "Abfrage."),
                  this);
        m_criteriaList->setFocus();
        return;
    }
    QDialog::accept();
}

void CFilterDlg::FillFilterNames()
{
    m_savedFilters->clear();
    QStringList names;
    try {
        m_pFilterMgr->GetFilterNames(names);
    } catch (const ComError &error) {
        showError(error);
    }
    for (const QString &name : std::as_const(names))
        addFilterName(name);
    // A list, not a choice: the name field starts empty.
    m_savedFilters->setCurrentIndex(-1);
    m_nameUsed = false;
}

void CFilterDlg::addFilterName(const QString &name)
{
    // Sorted as a sorted Windows combo box sorts: ignoring case.
    int row = 0;
    while (row < m_savedFilters->count() &&
           QString::compare(m_savedFilters->itemText(row), name, Qt::CaseInsensitive) <= 0)
        ++row;
    m_savedFilters->insertItem(row, name);
}

void CFilterDlg::showError(const ComError &error)
{
    qrt::inform(error.message(), this, UserMessages::Severity::Error);
}
