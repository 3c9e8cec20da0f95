#include "runtime/PositionField.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>

PositionField::PositionField(QWidget *parent)
    : QWidget(parent), m_before(new QLabel(this)), m_number(new QLineEdit(this)),
      m_after(new QLabel(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 0, 6, 0);
    layout->setSpacing(4);
    layout->addWidget(m_before);
    layout->addWidget(m_number);
    layout->addWidget(m_after);
    // Room the tool bar gives beyond the texts goes after them, not between.
    m_before->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    m_after->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    layout->addStretch();
    m_before->setBuddy(m_number);
    m_number->setObjectName(QStringLiteral("positionNumber"));
    m_number->setAlignment(Qt::AlignRight);
    // Room for eight digits: tens of millions of records.
    m_number->setFixedWidth(m_number->fontMetrics().horizontalAdvance(QStringLiteral("00000000")) +
                            2 * m_number->fontMetrics().averageCharWidth());
    m_number->installEventFilter(this);
    connect(m_number, &QLineEdit::returnPressed, this, [this] {
        // As a German user writes a number: "1.500" is record 1500.
        bool isNumber = false;
        const qint64 number = QLocale(QLocale::German, QLocale::Germany)
                                  .toLongLong(m_number->text().trimmed(), &isNumber);
        if (!isNumber || number < 1) {
            restore(); // no box: the field just says where the user stands
            m_number->selectAll();
            return;
        }
        // Asked for: from now on the field says where the user stands.
        m_number->setModified(false);
        emit numberEntered(number);
    });
    connect(m_number, &QLineEdit::editingFinished, this, [this] {
        if (!m_number->hasFocus())
            restore();
    });
}

void PositionField::setPosition(const QString &before, const QString &number, const QString &after)
{
    m_before->setText(before);
    m_after->setText(after);
    m_shown = number;
    m_number->setVisible(!number.isEmpty() || !before.isEmpty());
    // What the user is typing stays until Enter or Escape.
    if ((!m_number->hasFocus() || !m_number->isModified()) && m_number->text() != number) {
        m_number->setText(number);
        m_number->setModified(false);
        if (m_number->hasFocus())
            m_number->selectAll(); // ready for the next number
    }
    m_number->setAccessibleName(text());
    setAccessibleName(text());
}

QString PositionField::text() const
{
    QStringList parts;
    for (const QString &part : {m_before->text(), m_shown, m_after->text()}) {
        if (!part.isEmpty())
            parts << part;
    }
    return parts.join(QLatin1Char(' '));
}

void PositionField::focusNumber()
{
    m_number->setFocus(Qt::ShortcutFocusReason);
    m_number->selectAll();
}

bool PositionField::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_number && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && m_number->isModified()) {
        restore();
        m_number->selectAll();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void PositionField::restore()
{
    m_number->setText(m_shown);
    m_number->setModified(false);
}
