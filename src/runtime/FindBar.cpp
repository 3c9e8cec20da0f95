#include "runtime/FindBar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLabel *labelFor(QWidget *buddy, const QString &text)
{
    auto *label = new QLabel(text, buddy->parentWidget());
    label->setBuddy(buddy);
    buddy->setAccessibleName(QString(text).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
    return label;
}

} // namespace

FindBar::FindBar(QWidget *parent)
    : QWidget(parent), m_text(new QLineEdit(this)), m_where(new QComboBox(this)),
      m_match(new QComboBox(this)), m_note(new QLabel(this))
{
    setObjectName(QStringLiteral("findBar"));
    m_text->setObjectName(QStringLiteral("findText"));
    m_where->setObjectName(QStringLiteral("findIn"));
    m_match->setObjectName(QStringLiteral("findMatch"));
    m_note->setObjectName(QStringLiteral("findNote"));
    m_where->addItems(
        {QStringLiteral("Aktuelles Feld"), QStringLiteral("Alle angezeigten Felder")});
    m_match->addItem(QStringLiteral("Ganzes Feld"), int(RecordFilter::FindMatch::WholeField));
    m_match->addItem(QStringLiteral("Anfang des Feldes"),
                     int(RecordFilter::FindMatch::StartOfField));
    m_match->addItem(QStringLiteral("Teil des Feldes"), int(RecordFilter::FindMatch::AnyPart));
    m_match->setCurrentIndex(2);
    m_text->setMinimumWidth(m_text->fontMetrics().averageCharWidth() * 20);

    auto *next = new QPushButton(QStringLiteral("&Weitersuchen"), this);
    next->setObjectName(QStringLiteral("findNext"));
    next->setToolTip(QStringLiteral("Nächsten passenden Datensatz anzeigen (F3)"));
    auto *previous = new QPushButton(QStringLiteral("&Rückwärts suchen"), this);
    previous->setObjectName(QStringLiteral("findPrevious"));
    previous->setToolTip(QStringLiteral("Vorherigen passenden Datensatz anzeigen (Umschalt+F3)"));
    // Enter in the text searches once: no button of the bar may be the
    // default button of the dialog it sits in as well.
    next->setAutoDefault(false);
    previous->setAutoDefault(false);
    auto *close = new QToolButton(this);
    close->setObjectName(QStringLiteral("findClose"));
    close->setText(QStringLiteral("×"));
    close->setAccessibleName(QStringLiteral("Suchleiste schließen"));
    close->setToolTip(QStringLiteral("Suchleiste schließen (Esc)"));
    close->setAutoRaise(true);
    m_note->setAccessibleName(QStringLiteral("Suchergebnis"));

    // The note on a line of its own: the controls take a narrow window's
    // width, and the note must be read whole.
    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(6, 4, 6, 4);
    rows->setSpacing(2);
    auto *layout = new QHBoxLayout;
    rows->addLayout(layout);
    rows->addWidget(m_note);
    m_note->setWordWrap(true);
    m_note->hide();
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(labelFor(m_text, QStringLiteral("Suchen &nach:")));
    layout->addWidget(m_text, 1);
    layout->addWidget(labelFor(m_where, QStringLiteral("Suchen &in:")));
    layout->addWidget(m_where);
    layout->addWidget(labelFor(m_match, QStringLiteral("&Vergleichen:")));
    layout->addWidget(m_match);
    layout->addWidget(next);
    layout->addWidget(previous);
    layout->addWidget(close);

    connect(m_text, &QLineEdit::returnPressed, this, [this] { emit searchRequested(true); });
    connect(next, &QPushButton::clicked, this, [this] { emit searchRequested(true); });
    connect(previous, &QPushButton::clicked, this, [this] { emit searchRequested(false); });
    connect(close, &QToolButton::clicked, this, &QWidget::hide);
    // A new text or way of searching has no outcome yet.
    connect(m_text, &QLineEdit::textEdited, this, [this] { setNote(QString()); });
    hide();
}

void FindBar::open(const QString &column, const QString &caption)
{
    setColumn(column, caption);
    show();
    m_text->setFocus(Qt::ShortcutFocusReason);
    m_text->selectAll();
}

void FindBar::setColumn(const QString &column, const QString &caption)
{
    m_column = column;
    m_where->setItemText(0, column.isEmpty() ? QStringLiteral("Aktuelles Feld")
                                             : QStringLiteral("Aktuelles Feld (%1)").arg(caption));
    // Without a field the cursor was in, there is only every field.
    if (column.isEmpty())
        m_where->setCurrentIndex(1);
}

QString FindBar::text() const
{
    return m_text->text();
}

QString FindBar::column() const
{
    return m_where->currentIndex() == 0 ? m_column : QString();
}

RecordFilter::FindMatch FindBar::match() const
{
    return RecordFilter::FindMatch(m_match->currentData().toInt());
}

void FindBar::setNote(const QString &note)
{
    m_note->setText(note);
    m_note->setAccessibleDescription(note);
    m_note->setVisible(!note.isEmpty());
}

QString FindBar::note() const
{
    return m_note->text();
}

void FindBar::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}
