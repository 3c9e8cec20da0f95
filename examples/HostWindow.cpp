#include "HostWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

HostWindow::HostWindow(const QString &database, const QStringList &tables, QWidget *parent)
    : QMainWindow(parent), m_database(database)
{
    setWindowTitle(tr("Kundenverwaltung"));
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);

    auto *bar = new QHBoxLayout;
    m_tables = new QComboBox(central);
    m_tables->addItems(tables);
    auto *label = new QLabel(tr("&Tabelle:"), central);
    label->setBuddy(m_tables);
    auto *filter = new QPushButton(tr("&Filter …"), central);
    auto *noFilter = new QPushButton(tr("Filter &entfernen"), central);
    bar->addWidget(label);
    bar->addWidget(m_tables, 1);
    bar->addWidget(filter);
    bar->addWidget(noFilter);
    layout->addLayout(bar);

    // [embed]
    m_form = new CKeloFormWidget(central);
    layout->addWidget(m_form, 1);
    connect(filter, &QPushButton::clicked, m_form, &CKeloFormWidget::filter);
    connect(noFilter, &QPushButton::clicked, m_form, &CKeloFormWidget::removeFilter);
    // [embed]

    // [signals]
    connect(m_form, &CKeloFormWidget::recordSaved, this, [this](qint64 key) {
        statusBar()->showMessage(tr("Datensatz %1 gespeichert").arg(key), 5000);
    });
    connect(m_form, &CKeloFormWidget::recordDeleted, this, [this](qint64 key) {
        statusBar()->showMessage(tr("Datensatz %1 gelöscht").arg(key), 5000);
    });
    connect(m_form, &CKeloFormWidget::currentRecordChanged, this,
            [this] { statusBar()->showMessage(m_form->positionText()); });
    // The message box has been shown by then; the status bar keeps the text.
    connect(m_form, &CKeloFormWidget::errorReported, this,
            [this](const QString &message) { statusBar()->showMessage(tr("Fehler: ") + message); });
    // [signals]

    setCentralWidget(central);
    connect(m_tables, &QComboBox::activated, this, &HostWindow::tableChosen);
    resize(760, 560);
}

// [open]
bool HostWindow::showTable(const QString &table)
{
    CKeloForm form;
    form.Init(m_database, QString(), QString(), QString(), table, ns_qrttypen::KELO_SQLITE);
    if (!m_form->open(form))
        return false;
    m_table = table;
    setWindowTitle(tr("Kundenverwaltung – %1").arg(m_form->title()));
    return true;
}
// [open]

void HostWindow::tableChosen(int index)
{
    const QString table = m_tables->itemText(index);
    if (table == m_table)
        return;
    // Another form replaces this one: what was typed is offered for saving.
    if (!m_form->maybeSave() || !showTable(table))
        m_tables->setCurrentText(m_table);
}

// [close]
void HostWindow::closeEvent(QCloseEvent *event)
{
    if (m_form->maybeSave())
        event->accept();
    else
        event->ignore(); // the user chose Abbrechen
}
// [close]
