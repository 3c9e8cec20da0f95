#include "filter/CInhaltDlg.h"

#include "platform/BuddyGroupBox.h"
#include "platform/DialogButtons.h"
#include "platform/DialogUnits.h"
#include "platform/ScreenFit.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

CInhaltDlg::CInhaltDlg(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Datenansicht"));
    setFont(DialogUnits::templateFont());
    const DialogUnits units(font());

    auto *frame = new BuddyGroupBox(QStringLiteral("&Inhalt der ausgewählten Spalte"), this);
    m_valueList = new QListWidget(frame);
    m_valueList->setObjectName(QStringLiteral("values"));
    m_valueList->setProperty("controlId", int(IDC_VALUES));
    m_valueList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_valueList->setMinimumSize(units.size(80, 60));
    frame->setBuddy(m_valueList);
    (new QVBoxLayout(frame))->addWidget(m_valueList);
    connect(m_valueList, &QListWidget::itemDoubleClicked, this, &CInhaltDlg::accept);
    // The line the focus rests on is the one OK takes, so Enter right after
    // the list opens takes the first value, and the first arrow key moves
    // from there instead of skipping it.
    connect(m_valueList, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *current) {
        if (current && m_valueList->selectedItems().isEmpty())
            current->setSelected(true);
    });

    const auto [ok, cancel] = qrt::makeOkCancelButtons(this, units);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    setSizeGripEnabled(true);
    fitToScreen(this, units.size(217, 226).expandedTo(sizeHint()));
    m_valueList->setFocus();
}

void CInhaltDlg::setValues(const QStringList *values)
{
    m_pValues = values;
    m_valueList->clear();
    if (!values)
        return;
    for (qsizetype i = 0; i < values->size(); ++i) {
        auto *line = new QListWidgetItem(values->at(i), m_valueList);
        line->setData(Qt::UserRole, int(i)); // the value's index, whatever the list shows
    }
}

void CInhaltDlg::selectValue(const QString &value)
{
    const QList<QListWidgetItem *> same = m_valueList->findItems(value, Qt::MatchExactly);
    if (!value.isEmpty() && !same.isEmpty())
        m_valueList->setCurrentItem(same.first());
}

void CInhaltDlg::accept()
{
    const QList<QListWidgetItem *> selected = m_valueList->selectedItems();
    if (m_pValues && !selected.isEmpty()) {
        const int index = selected.first()->data(Qt::UserRole).toInt();
        if (index >= 0 && index < m_pValues->size())
            m_strChosen = m_pValues->at(index);
    }
    QDialog::accept();
}
