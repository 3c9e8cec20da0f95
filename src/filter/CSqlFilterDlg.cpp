#include "filter/CSqlFilterDlg.h"

#include "platform/DialogUnits.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>

CSqlFilterDlg::CSqlFilterDlg(QWidget *parent)
    : QDialog(parent), m_statementEdit(new QPlainTextEdit(this))
{
    setWindowTitle(QStringLiteral("SQL-Befehl anzeigen"));
    setFont(DialogUnits::templateFont());
    const DialogUnits units(font());
    setFixedSize(units.size(186, 95));

    auto *frame = new QGroupBox(QStringLiteral("SQL-Befehl"), this);
    units.place(frame, 5, 5, 175, 60);
    frame->lower();

    m_statementEdit->setObjectName(QStringLiteral("sql"));
    m_statementEdit->setProperty("controlId", int(IDC_SQL));
    m_statementEdit->setReadOnly(true);
    m_statementEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    units.place(m_statementEdit, 10, 15, 165, 45);

    auto *close = new QPushButton(QStringLiteral("Schließen"), this);
    close->setObjectName(QStringLiteral("ok"));
    close->setDefault(true);
    units.place(close, 5, 75, 175, 14);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void CSqlFilterDlg::setStatement(const QString &statement)
{
    m_strStatement = statement;
    m_statementEdit->setPlainText(statement);
}
