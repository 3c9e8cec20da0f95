#include "platform/ConflictDialog.h"

#include "platform/DialogButtons.h"
#include "platform/DialogUnits.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

constexpr int kShownCharacters = 40;

// A value as one line of a choice: an empty one named, line breaks shown,
// a long one cut.
QString oneLine(const QString &value)
{
    if (value.isEmpty())
        return QStringLiteral("(leer)");
    QString line = value;
    line.replace(QLatin1String("\r\n"), QStringLiteral("↵"));
    line.replace(QLatin1Char('\n'), QStringLiteral("↵"));
    line.replace(QLatin1Char('\r'), QStringLiteral("↵"));
    if (line.size() > kShownCharacters)
        line = line.left(kShownCharacters - 1) + QStringLiteral("…");
    return line;
}

// A button reads "&" as the mark of its shortcut key.
QString asButtonText(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString wholeValue(const QString &value)
{
    return value.isEmpty() ? QString() : Qt::convertFromPlainText(value);
}

QLabel *heading(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

} // namespace

ConflictDialog::ConflictDialog(const QString &text,
                               const QVector<UserMessages::Conflict> &conflicts, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("conflictDialog"));
    const DialogUnits units(font());
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(text, this);
    intro->setWordWrap(true);
    intro->setObjectName(QStringLiteral("conflictText"));
    layout->addWidget(intro);

    auto *table = new QWidget(this);
    auto *grid = new QGridLayout(table);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(units.x(8));
    const QString columns[] = {QStringLiteral("Feld"), QStringLiteral("Ihre Eingabe"),
                               QStringLiteral("Jetzt gespeichert"), QStringLiteral("Vorher")};
    for (int column = 0; column < 4; ++column)
        grid->addWidget(heading(columns[column], table), 0, column);
    for (int row = 0; row < conflicts.size(); ++row) {
        const UserMessages::Conflict &conflict = conflicts.at(row);
        auto *field = new QLabel(conflict.field, table);
        auto *yours = new QRadioButton(asButtonText(oneLine(conflict.yours)), table);
        auto *stored = new QRadioButton(asButtonText(oneLine(conflict.stored)), table);
        auto *before = new QLabel(oneLine(conflict.before), table);
        before->setTextFormat(Qt::PlainText);
        field->setTextFormat(Qt::PlainText);
        // The whole values as plain text: an entry such as "<b>" is no markup.
        yours->setToolTip(wholeValue(conflict.yours));
        stored->setToolTip(wholeValue(conflict.stored));
        before->setToolTip(wholeValue(conflict.before));
        // What a screen reader says on each choice: whose value, of which
        // field, and the value itself.
        yours->setAccessibleName(conflict.field + QStringLiteral(": Ihre Eingabe"));
        yours->setAccessibleDescription(conflict.yours);
        stored->setAccessibleName(conflict.field + QStringLiteral(": Jetzt gespeichert"));
        stored->setAccessibleDescription(conflict.stored);
        before->setAccessibleName(conflict.field + QStringLiteral(": Vorher"));
        yours->setObjectName(QStringLiteral("yours%1").arg(row));
        stored->setObjectName(QStringLiteral("stored%1").arg(row));
        before->setObjectName(QStringLiteral("before%1").arg(row));
        // Each row is a choice of its own; none is taken for the user.
        auto *choice = new QButtonGroup(this);
        choice->addButton(yours, int(UserMessages::Keep::Yours));
        choice->addButton(stored, int(UserMessages::Keep::Stored));
        connect(choice, &QButtonGroup::idToggled, this, &ConflictDialog::updateSave);
        m_rows << choice;
        grid->addWidget(field, row + 1, 0);
        grid->addWidget(yours, row + 1, 1);
        grid->addWidget(stored, row + 1, 2);
        grid->addWidget(before, row + 1, 3);
    }
    grid->setColumnStretch(3, 1);

    // Many fields scroll rather than grow beyond the screen.
    auto *scroll = new QScrollArea(this);
    scroll->setWidget(table);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setMinimumHeight(qMin(table->sizeHint().height(), units.y(160)));
    scroll->setMinimumWidth(table->sizeHint().width());
    layout->addWidget(scroll, 1);

    auto *hint = new QLabel(QStringLiteral("Abbrechen speichert nichts; Ihre Eingaben bleiben "
                                           "im Formular."),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    auto *buttons = new QDialogButtonBox(this);
    m_save = qrt::named(new QPushButton(QStringLiteral("&Speichern"), this), "save", 1);
    QPushButton *cancel =
        qrt::named(new QPushButton(QStringLiteral("&Abbrechen"), this), "cancel", 2);
    buttons->addButton(m_save, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    qrt::setButtonWidth(units, {m_save, cancel});
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    updateSave();
    if (!m_rows.isEmpty())
        m_rows.constFirst()->buttons().constFirst()->setFocus();
}

QVector<UserMessages::Keep> ConflictDialog::choices() const
{
    QVector<UserMessages::Keep> result;
    for (const QButtonGroup *row : m_rows)
        result << UserMessages::Keep(row->checkedId());
    return result;
}

void ConflictDialog::updateSave()
{
    bool complete = true;
    for (const QButtonGroup *row : m_rows)
        complete = complete && row->checkedId() >= 0;
    m_save->setEnabled(complete);
    // Enter saves once every row is decided, not before.
    m_save->setDefault(complete);
}
