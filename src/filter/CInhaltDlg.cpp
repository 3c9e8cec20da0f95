#include "filter/CInhaltDlg.h"

#include "platform/DialogUnits.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>

CInhaltDlg::CInhaltDlg(QWidget *parent) : QDialog(parent), m_valueList(new QListWidget(this))
{
    setWindowTitle(QStringLiteral("Datenansicht"));
    setFont(DialogUnits::templateFont());
    const DialogUnits units(font());
    setFixedSize(units.size(217, 226));

    auto *frame = new QGroupBox(QStringLiteral("Inhalt der ausgewählten Spalte"), this);
    units.place(frame, 5, 5, 210, 195);
    frame->lower();

    m_valueList->setObjectName(QStringLiteral("values"));
    m_valueList->setProperty("controlId", int(IDC_VALUES));
    m_valueList->setSelectionMode(QAbstractItemView::SingleSelection);
    units.place(m_valueList, 10, 15, 200, 180);
    connect(m_valueList, &QListWidget::itemDoubleClicked, this, &CInhaltDlg::accept);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    units.place(ok, 5, 205, 50, 14);
    connect(ok, &QPushButton::clicked, this, &CInhaltDlg::accept);

    auto *cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    units.place(cancel, 60, 205, 50, 14);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
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
