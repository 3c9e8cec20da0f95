#include "dialogs/CTabOrderDlg.h"

#include "controls/CDynControl.h"
#include "formdef/CFormBuilder.h"
#include "formdef/FormWindow.h"
#include "platform/DialogUnits.h"
#include "platform/KeyAction.h"
#include "platform/ScreenFit.h"
#include "platform/UserMessages.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

bool isField(const CDynControl &control)
{
    return control.kind() != ControlKind::Static && control.kind() != ControlKind::Frame;
}

QPushButton *arrowButton(const QString &text, const QString &meaning, const char *name, int id,
                         QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setProperty("controlId", id);
    button->setAutoDefault(false);
    // The arrows say nothing to a screen reader or a newcomer.
    button->setToolTip(meaning);
    button->setAccessibleName(meaning);
    return button;
}

} // namespace

CTabOrderDlg::CTabOrderDlg(FormWindow *form, CFormBuilder *builder, QWidget *parent)
    : QDialog(parent), m_form(form), m_builder(builder)
{
    setObjectName(QStringLiteral("fieldLayout"));
    setWindowTitle(QStringLiteral("Aufbau des Formulars"));
    setFont(DialogUnits::templateFont());
    const DialogUnits units(font());

    auto *text = new QLabel(
        QStringLiteral("Bitte ordnen Sie die anzuzeigenden Felder über die Schaltflächen zu bzw. "
                       "ändern die Anzeigereihenfolge durch Verschieben der Einträge in der "
                       "linken Liste."),
        this);
    text->setObjectName(QStringLiteral("text"));
    text->setWordWrap(true);

    m_shownList = new QListWidget(this);
    m_shownList->setObjectName(QStringLiteral("shown"));
    m_shownList->setProperty("controlId", int(IDC_SHOWN));
    m_shownList->setDragDropMode(QAbstractItemView::InternalMove);
    m_shownList->setDefaultDropAction(Qt::MoveAction);
    m_shownList->setToolTip(QStringLiteral("Reihenfolge: Einträge ziehen oder Strg+Pfeiltasten"));
    m_hiddenList = new QListWidget(this);
    m_hiddenList->setObjectName(QStringLiteral("hidden"));
    m_hiddenList->setProperty("controlId", int(IDC_HIDDEN));
    for (QListWidget *list : {m_shownList, m_hiddenList}) {
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setMinimumSize(units.size(80, 90));
    }
    auto *shownLabel = new QLabel(QStringLiteral("&Angezeigte Felder"), this);
    shownLabel->setBuddy(m_shownList);
    auto *hiddenLabel = new QLabel(QStringLiteral("&Nicht angezeigte Felder"), this);
    hiddenLabel->setBuddy(m_hiddenList);

    auto *hideSelected =
        arrowButton(QStringLiteral(">"), QStringLiteral("Markiertes Feld entfernen"),
                    "hideSelected", IDC_HIDE_SELECTED, this);
    auto *hideAll = arrowButton(QStringLiteral(">>"), QStringLiteral("Alle Felder entfernen"),
                                "hideAll", IDC_HIDE_ALL, this);
    auto *showSelected =
        arrowButton(QStringLiteral("<"), QStringLiteral("Markiertes Feld anzeigen"), "showSelected",
                    IDC_SHOW_SELECTED, this);
    auto *showAll = arrowButton(QStringLiteral("<<"), QStringLiteral("Alle Felder anzeigen"),
                                "showAll", IDC_SHOW_ALL, this);
    connect(hideSelected, &QPushButton::clicked, this, &CTabOrderDlg::OnHideSelected);
    connect(hideAll, &QPushButton::clicked, this, &CTabOrderDlg::OnHideAll);
    connect(showSelected, &QPushButton::clicked, this, &CTabOrderDlg::OnShowSelected);
    connect(showAll, &QPushButton::clicked, this, &CTabOrderDlg::OnShowAll);
    connect(m_shownList, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { HideField(m_shownList->row(item)); });
    connect(m_hiddenList, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { ShowField(m_hiddenList->row(item)); });
    KeyAction::onDelete(m_shownList, [this] {
        OnHideSelected();
        return true;
    });
    KeyAction::onEnter(m_hiddenList, [this] {
        if (!m_hiddenList->currentItem())
            return false;
        OnShowSelected();
        return true;
    });
    new KeyAction(m_shownList, {Qt::ControlModifier | Qt::Key_Up},
                  [this] { return moveCurrent(-1); });
    new KeyAction(m_shownList, {Qt::ControlModifier | Qt::Key_Down},
                  [this] { return moveCurrent(1); });

    auto *ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setProperty("controlId", 1);
    ok->setDefault(true);
    ok->setMinimumWidth(qMax(units.x(50), ok->sizeHint().width()));
    connect(ok, &QPushButton::clicked, this, &CTabOrderDlg::accept);

    auto *arrows = new QVBoxLayout;
    arrows->addStretch(1);
    for (QPushButton *button : {hideSelected, hideAll, showSelected, showAll})
        arrows->addWidget(button);
    arrows->addStretch(1);
    auto *lists = new QGridLayout;
    lists->addWidget(shownLabel, 0, 0);
    lists->addWidget(hiddenLabel, 0, 2);
    lists->addWidget(m_shownList, 1, 0);
    lists->addLayout(arrows, 1, 1);
    lists->addWidget(m_hiddenList, 1, 2);
    lists->setColumnStretch(0, 1);
    lists->setColumnStretch(2, 1);
    lists->setRowStretch(1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);

    fillLists();
    setSizeGripEnabled(true);
    fitToScreen(this, units.size(250, 170).expandedTo(sizeHint()));
    m_shownList->setFocus();
    if (m_shownList->count() > 0)
        m_shownList->setCurrentRow(0);
}

CTabOrderDlg::~CTabOrderDlg() = default;

QListWidgetItem *CTabOrderDlg::itemFor(CDynControl *control)
{
    auto *item = new QListWidgetItem(control->GetCaption());
    item->setData(Qt::UserRole, QVariant::fromValue<QObject *>(control));
    return item;
}

CDynControl *CTabOrderDlg::controlOf(const QListWidgetItem *item)
{
    return item ? qobject_cast<CDynControl *>(item->data(Qt::UserRole).value<QObject *>())
                : nullptr;
}

void CTabOrderDlg::fillLists()
{
    if (!m_form || !m_builder)
        return;
    for (CDynControl *control : m_form->controls()) {
        if (isField(*control))
            m_shownList->addItem(itemFor(control));
    }
    // A field whose name is on the form is never offered twice.
    for (const auto &control : m_builder->controls()) {
        if (isField(*control) && !m_form->findControl(control->GetName()))
            m_hiddenList->addItem(itemFor(control.get()));
    }
}

QVector<CDynControl *> CTabOrderDlg::shownFields() const
{
    QVector<CDynControl *> fields;
    for (int row = 0; row < m_shownList->count(); ++row)
        fields << controlOf(m_shownList->item(row));
    return fields;
}

QVector<CDynControl *> CTabOrderDlg::hiddenFields() const
{
    QVector<CDynControl *> fields;
    for (int row = 0; row < m_hiddenList->count(); ++row)
        fields << controlOf(m_hiddenList->item(row));
    return fields;
}

bool CTabOrderDlg::HideField(int row)
{
    CDynControl *control = controlOf(m_shownList->item(row));
    if (!control || !m_form || !m_form->removeControl(*control))
        return false;
    delete m_shownList->takeItem(row);
    m_hiddenList->insertItem(0, itemFor(control));
    // The next entry is where the next Delete belongs.
    if (m_shownList->count() > 0)
        m_shownList->setCurrentRow(qMin(row, m_shownList->count() - 1));
    return true;
}

void CTabOrderDlg::ShowField(int row)
{
    CDynControl *field = controlOf(m_hiddenList->item(row));
    if (!field || !m_form || !m_builder)
        return;
    m_builder->PlaceOnNewRow(*field);
    delete m_hiddenList->takeItem(row);
    m_shownList->addItem(itemFor(field));
    if (m_hiddenList->count() > 0)
        m_hiddenList->setCurrentRow(qMin(row, m_hiddenList->count() - 1));
}

void CTabOrderDlg::OnHideSelected()
{
    const QList<QListWidgetItem *> selected = m_shownList->selectedItems();
    if (selected.isEmpty()) {
        qrt::warn(QStringLiteral("Bitte eine Zeile in der Liste der sichtbaren Felder markieren."),
                  this);
        return;
    }
    HideField(m_shownList->row(selected.first()));
}

void CTabOrderDlg::OnHideAll()
{
    if (qrt::askYesNo(QStringLiteral("Möchten Sie wirklich alle Eingabefelder entfernen?"), this,
                      UserMessages::Consequence::Destructive) == UserMessages::Answer::No)
        return;
    // From the last to the first: each goes to the top of the right list,
    // so the right list ends in the fields' former order.
    for (int row = m_shownList->count() - 1; row >= 0; --row)
        HideField(row);
}

void CTabOrderDlg::OnShowSelected()
{
    const QList<QListWidgetItem *> selected = m_hiddenList->selectedItems();
    if (selected.isEmpty()) {
        qrt::warn(
            QStringLiteral("Bitte eine Zeile in der Liste der nicht angezeigten Felder markieren."),
            this);
        return;
    }
    ShowField(m_hiddenList->row(selected.first()));
}

void CTabOrderDlg::OnShowAll()
{
    for (int count = m_hiddenList->count(); count > 0; --count)
        ShowField(0);
}

bool CTabOrderDlg::moveCurrent(int by)
{
    const int row = m_shownList->currentRow();
    const int target = row + by;
    if (row < 0 || target < 0 || target >= m_shownList->count())
        return true; // at the end already: the key is used all the same
    QListWidgetItem *item = m_shownList->takeItem(row);
    m_shownList->insertItem(target, item);
    m_shownList->setCurrentRow(target);
    return true;
}

void CTabOrderDlg::accept()
{
    if (m_form) {
        // Captions and frames keep their order, after all the fields.
        QVector<CDynControl *> others;
        for (CDynControl *control : m_form->controls()) {
            if (!isField(*control))
                others << control;
        }
        m_form->clearControls();
        for (CDynControl *field : shownFields()) {
            if (field)
                m_form->addControl(*field);
        }
        for (CDynControl *other : std::as_const(others))
            m_form->addControl(*other);
    }
    QDialog::accept();
}
