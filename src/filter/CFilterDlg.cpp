#include "filter/CFilterDlg.h"

#include "controls/CComboBoxExt.h"
#include "data/DateText.h"
#include "filter/CFilterMgr.h"
#include "filter/CInhaltDlg.h"
#include "filter/CSqlFilterDlg.h"
#include "platform/ComError.h"
#include "platform/DialogUnits.h"
#include "platform/UserMessages.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

constexpr int kMaxValueLength = 60;

template <typename Widget> Widget *named(Widget *widget, const char *name, int id)
{
    widget->setObjectName(QLatin1String(name));
    widget->setProperty("controlId", id);
    return widget;
}

// The drop-down list of a combo box in the template is part of its height;
// here it becomes the number of entries shown when it opens.
void setDropDownHeight(QComboBox *box, const DialogUnits &units, int height)
{
    const int line = box->fontMetrics().height() + 2;
    box->setMaxVisibleItems(qMax(1, (units.y(height) - box->height()) / line));
}

} // namespace

CFilterDlg::CFilterDlg(CFilterMgr *store, QWidget *parent) : QDialog(parent), m_pFilterMgr(store)
{
    setWindowTitle(QStringLiteral("Filter setzen"));
    createControls();

    const QVector<ColumnInfo> &columns = m_pFilterMgr->columns();
    {
        const QSignalBlocker blocker(m_columnBox);
        for (qsizetype i = 0; i < columns.size(); ++i)
            m_columnBox->addItem(columns.at(i).name, int(i));
        m_columnBox->setCurrentIndex(columns.isEmpty() ? -1 : 0);
    }
    FillConditions();
    FillFilterNames();
    ShowValueField();
    if (!m_pFilterMgr->criteria().isEmpty())
        FillCriteriaList();
}

CFilterDlg::~CFilterDlg() = default;

void CFilterDlg::createControls()
{
    setFont(DialogUnits::templateFont());
    const DialogUnits units(font());
    setFixedSize(units.size(402, 167));

    // In template order, which is also the tab order.
    auto *ok = named(new QPushButton(QStringLiteral("OK"), this), "ok", 1);
    ok->setDefault(true);
    units.place(ok, 5, 145, 50, 14);
    auto *cancel = named(new QPushButton(QStringLiteral("Abbrechen"), this), "cancel", 2);
    units.place(cancel, 60, 145, 50, 14);

    auto *valueFrame = new QGroupBox(QStringLiteral("Filterwerte"), this);
    units.place(valueFrame, 5, 5, 200, 75);
    m_columnBox = named(new CComboBoxExt(this), "column", IDC_COLUMN);
    units.place(m_columnBox, 15, 20, 155, 14);
    setDropDownHeight(m_columnBox, units, 135);
    auto *picker = named(new QPushButton(QStringLiteral("..."), this), "picker", IDC_PICKER);
    units.place(picker, 175, 20, 15, 14);
    m_conditionBox = named(new CComboBoxExt(this), "condition", IDC_CONDITION);
    units.place(m_conditionBox, 15, 40, 100, 14);
    setDropDownHeight(m_conditionBox, units, 115);
    m_valueEdit = named(new QLineEdit(this), "value", IDC_VALUE);
    m_valueEdit->setMaxLength(kMaxValueLength);
    units.place(m_valueEdit, 15, 60, 125, 14);
    auto *add = named(new QPushButton(QStringLiteral("Hinzufügen >>"), this), "add", IDC_ADD);
    units.place(add, 145, 60, 50, 14);
    // The date picker takes the place of the value field for date columns.
    m_datePicker = named(new QDateEdit(QDate::currentDate(), this), "date", IDC_DATE);
    m_datePicker->setCalendarPopup(true);
    m_datePicker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    units.place(m_datePicker, 15, 60, 100, 15);

    auto *savedFrame = new QGroupBox(QStringLiteral("Gespeicherte Filter"), this);
    units.place(savedFrame, 5, 85, 200, 55);
    m_savedFilters = named(new QComboBox(this), "savedFilters", IDC_SAVEDFILTER);
    m_savedFilters->setEditable(true);
    m_savedFilters->setInsertPolicy(QComboBox::NoInsert); // names enter the list by saving
    units.place(m_savedFilters, 15, 100, 125, 14);
    setDropDownHeight(m_savedFilters, units, 60);
    auto *load = named(new QPushButton(QStringLiteral("Laden"), this), "load", IDC_LOAD);
    units.place(load, 15, 120, 50, 14);
    auto *save = named(new QPushButton(QStringLiteral("Speichern"), this), "save", IDC_SAVE);
    units.place(save, 70, 120, 50, 14);
    auto *remove = named(new QPushButton(QStringLiteral("Löschen"), this), "delete", IDC_DELETE);
    units.place(remove, 145, 120, 50, 14);

    auto *criteriaFrame = new QGroupBox(QStringLiteral("Ausgewählte Filterkriterien"), this);
    units.place(criteriaFrame, 210, 5, 190, 135);
    m_criteriaList = named(new QListWidget(this), "criteria", IDC_CRITERIA);
    m_criteriaList->setSelectionMode(QAbstractItemView::SingleSelection);
    units.place(m_criteriaList, 215, 20, 175, 95);
    auto *removeLine =
        named(new QPushButton(QStringLiteral("Entfernen"), this), "remove", IDC_REMOVE);
    units.place(removeLine, 340, 120, 50, 14);

    // Frames are siblings of what they frame, as in the template, and lie behind it.
    for (QGroupBox *frame : {valueFrame, savedFrame, criteriaFrame})
        frame->lower();

    connect(ok, &QPushButton::clicked, this, &CFilterDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Only the user's choices: the dialog's own fills block these signals.
    connect(m_columnBox, &QComboBox::currentIndexChanged, this, &CFilterDlg::OnColumnChanged);
    connect(m_conditionBox, &QComboBox::currentIndexChanged, this, &CFilterDlg::OnConditionChanged);
    connect(add, &QPushButton::clicked, this, &CFilterDlg::OnAdd);
    connect(removeLine, &QPushButton::clicked, this, &CFilterDlg::OnRemove);
    connect(save, &QPushButton::clicked, this, &CFilterDlg::OnSave);
    connect(load, &QPushButton::clicked, this, &CFilterDlg::OnLoad);
    connect(m_savedFilters, &QComboBox::activated, this, &CFilterDlg::OnLoad);
    connect(remove, &QPushButton::clicked, this, &CFilterDlg::OnDelete);
    connect(m_criteriaList, &QListWidget::itemDoubleClicked, this, &CFilterDlg::OnShowStatement);
    connect(picker, &QPushButton::clicked, this, &CFilterDlg::OnValuePicker);
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

void CFilterDlg::OnColumnChanged()
{
    FillConditions();
    OnConditionChanged();
    ShowValueField();
}

void CFilterDlg::ShowValueField()
{
    const int position = m_columnBox->GetSelectedData();
    if (position < 0)
        return;
    const bool date = m_pFilterMgr->CategoryAt(position) == TypeCategory::Date;
    m_valueEdit->setVisible(!date);
    m_datePicker->setVisible(date);
    if (date)
        m_datePicker->setFocus();
    else
        m_valueEdit->setFocus();
}

void CFilterDlg::OnConditionChanged()
{
    if (m_pFilterMgr->CategoryAt(m_columnBox->GetSelectedData()) == TypeCategory::Date)
        m_datePicker->setFocus();
    else
        m_valueEdit->setFocus();
    // "ohne Wert" has no value to enter.
    const bool needsValue = m_conditionBox->GetSelectedData() != FilterCondition::NoValue;
    m_valueEdit->setEnabled(needsValue);
    m_datePicker->setEnabled(needsValue);
    if (!needsValue)
        m_valueEdit->clear();
}

void CFilterDlg::FillCriteriaList()
{
    m_criteriaList->clear();
    const QStringList lines = m_pFilterMgr->ListCriteria();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        auto *line = new QListWidgetItem(lines.at(i), m_criteriaList);
        line->setData(Qt::UserRole, int(i));
    }
}

void CFilterDlg::OnAdd()
{
    QString line;
    switch (m_pFilterMgr->AddCriterion(m_columnBox->GetSelectedData(),
                                       m_conditionBox->GetSelectedData(), m_valueEdit->text(),
                                       m_datePicker->date(), &line)) {
    case CFilterMgr::AddResult::NoColumn:
        return;
    case CFilterMgr::AddResult::Refused:
        m_valueEdit->setFocus();
        return;
    case CFilterMgr::AddResult::Added:
        break;
    }
    auto *item = new QListWidgetItem(line, m_criteriaList);
    item->setData(Qt::UserRole, int(m_pFilterMgr->criteria().size() - 1));
    m_valueEdit->clear();
}

void CFilterDlg::OnRemove()
{
    const QList<QListWidgetItem *> selected = m_criteriaList->selectedItems();
    if (selected.isEmpty()) {
        qrt::inform(
            QStringLiteral("Bitte das Filterkriterium markieren, das gelöscht werden soll!"), this);
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
}

void CFilterDlg::OnSave()
{
    const QString name = m_savedFilters->currentText();
    if (name.isEmpty()) {
        qrt::inform(QStringLiteral("Bitte tragen Sie erst einen Namen für den Filter ein!"), this);
        return;
    }
    if (m_pFilterMgr->criteria().isEmpty()) {
        qrt::inform(QStringLiteral("Bitte fügen Sie mindestens ein Filterkriterium hinzu.!"), this);
        return;
    }
    try {
        const qint32 key = m_pFilterMgr->FindFilterId(name);
        bool saved = false;
        if (key != -1) {
            if (qrt::askYesNo(QStringLiteral("Dieser Filter existiert bereits. Überschreiben?"),
                              this) != UserMessages::Answer::Yes)
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
            qrt::inform(QStringLiteral("Bitte geben Sie den Namen eines existierenden Filters ein "
                                       "oder wählen einen aus der Liste aus!"),
                        this);
            return;
        }
        m_pFilterMgr->LoadFilter(name);
        FillCriteriaList();
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
            qrt::inform(QStringLiteral("Dieser Filter existiert nicht!"), this);
            return;
        }
        if (qrt::askYesNo(QStringLiteral("Den Filter ") + name +
                              QStringLiteral(" wirklich löschen?"),
                          this) == UserMessages::Answer::No)
            return;
        m_pFilterMgr->DeleteFilter(key);
        m_pFilterMgr->ResetCriteria();
        FillCriteriaList();
        FillFilterNames();
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
    QStringList values;
    try {
        m_pFilterMgr->GetDistinctValues(m_columnBox->currentText(), values);
    } catch (const ComError &error) {
        showError(error);
        return;
    }
    CInhaltDlg picker(this);
    picker.setValues(&values);
    if (picker.exec() != QDialog::Accepted)
        return;
    if (m_pFilterMgr->CategoryAt(m_columnBox->GetSelectedData()) == TypeCategory::Date) {
        // A text that reads as no date leaves the picker's date as it was.
        const Variant date = DateText::ParseDate(picker.chosenText());
        if (date.type() == Variant::Type::Date)
            m_datePicker->setDate(date.toDateTime().date());
    } else {
        m_valueEdit->setText(picker.chosenText());
    }
}

void CFilterDlg::accept()
{
    if (m_pFilterMgr->GetCondition().isEmpty()) {
        qrt::inform(QStringLiteral("Bitte mindestens ein Filterkriterium auswählen oder das "
                                   "Fenster über 'Abbrechen' verlassen."),
                    this);
        return;
    }
    if (!m_pFilterMgr->TestCondition()) {
        qrt::inform(QStringLiteral("Der Filter kann nicht angewendet werden.\r\n\r\nBitte prüfen "
                                   "Sie, ob evtl. Spalten "
                                   "verwendet werden, die aus der Datenbank entfernt wurden und "
                                   "entfernen diese aus der "
                                   "Abfrage."),
                    this);
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
    qrt::inform(error.message(), this);
}
