#include "filter/CSqlFilterDlg.h"

#include "platform/BuddyGroupBox.h"
#include "platform/DialogUnits.h"
#include "platform/ScreenFit.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CSqlFilterDlg::CSqlFilterDlg(QWidget *parent)
    : QDialog(parent), m_statementEdit(new QPlainTextEdit(this))
{
    setWindowTitle(QStringLiteral("SQL-Befehl anzeigen"));
    setFont(DialogUnits::templateFont());
    const DialogUnits units(font());

    auto *frame = new BuddyGroupBox(QStringLiteral("SQL-&Befehl"), this);
    m_statementEdit->setParent(frame);
    m_statementEdit->setObjectName(QStringLiteral("sql"));
    m_statementEdit->setProperty("controlId", int(IDC_SQL));
    m_statementEdit->setReadOnly(true);
    // Read-only, yet selectable by keyboard, so the statement can be copied.
    m_statementEdit->setTextInteractionFlags(Qt::TextSelectableByKeyboard |
                                             Qt::TextSelectableByMouse);
    m_statementEdit->setTabChangesFocus(true);
    m_statementEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_statementEdit->setMinimumSize(units.size(80, 30));
    frame->setBuddy(m_statementEdit);
    (new QVBoxLayout(frame))->addWidget(m_statementEdit);

    auto *close = new QPushButton(QStringLiteral("&Schließen"), this);
    close->setObjectName(QStringLiteral("ok"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addWidget(close);

    setSizeGripEnabled(true);
    fitToScreen(this, units.size(186, 95).expandedTo(sizeHint()));
    close->setFocus();
}

void CSqlFilterDlg::setStatement(const QString &statement)
{
    m_strStatement = statement;
    m_statementEdit->setPlainText(statement);
}
