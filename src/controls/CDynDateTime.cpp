#include "controls/CDynDateTime.h"

#include <QCalendarWidget>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>

namespace {

constexpr int kMaxDateLength = 10; // "dd.mm.yyyy"

// Reads "%2d.%2d.%4d" as the C library's scanf does: blanks before a number
// are skipped, a number is an optional sign and digits of at most width
// characters, each but the last followed by a literal ".". Reading stops at
// the first mismatch; fields not read stay 0.
void scanDate(const QString &text, int fields[3])
{
    static constexpr int widths[3] = {2, 2, 4};
    fields[0] = fields[1] = fields[2] = 0;
    qsizetype pos = 0;
    for (int field = 0; field < 3; ++field) {
        if (field > 0) {
            if (pos >= text.size() || text.at(pos) != QLatin1Char('.'))
                return;
            ++pos;
        }
        while (pos < text.size() && text.at(pos).isSpace())
            ++pos;
        const qsizetype start = pos;
        const qsizetype end = qMin(text.size(), pos + widths[field]);
        if (pos < end && (text.at(pos) == QLatin1Char('-') || text.at(pos) == QLatin1Char('+')))
            ++pos;
        const qsizetype digits = pos;
        while (pos < end && text.at(pos) >= QLatin1Char('0') && text.at(pos) <= QLatin1Char('9'))
            ++pos;
        if (pos == digits)
            return;
        fields[field] = text.mid(start, pos - start).toInt();
    }
}

// A date the calendar has, within the years a stored date can hold.
QDate validDate(int year, int month, int day)
{
    if (year < 100 || year > 9999)
        return QDate();
    return QDate(year, month, day); // invalid for 31 February, month 13 and the like
}

} // namespace

QDate CDynDateTime::ParseDateText(const QString &text, int currentYear)
{
    int fields[3];
    scanDate(QString(text).replace(QLatin1Char(','), QLatin1Char('.')), fields);
    const int year = fields[2] < 100 ? currentYear : fields[2];
    return validDate(year, fields[1], fields[0]);
}

QString CDynDateTime::FormatDateText(const QDate &date)
{
    if (!date.isValid())
        return QString();
    return QStringLiteral("%1.%2.%3")
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString CDynDateTime::InitialText(const ControlDescription &description) const
{
    return description.name.value_or(QString());
}

QWidget *CDynDateTime::MakeWindow(QWidget *parent, const ControlDescription &description)
{
    ControlDescription limited = description;
    limited.maxLength = kMaxDateLength;
    return CDynEdit::MakeWindow(parent, limited);
}

void CDynDateTime::FinishCreate(const ControlDescription &description)
{
    if (!IsDesignMode())
        return;
    if (WantsAutoSize(description) && description.textLength < 0) {
        const QRect rect = AutoSizeFrom(description, description.caption);
        MoveTo(rect.left(), rect.top(), rect.left() + rect.width() + 4,
               rect.top() + rect.height() + 3);
    }
    SetWindowText(description.caption);
}

bool CDynDateTime::AcceptsCharacter(QChar c) const
{
    const bool dateCharacter = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                               c == QLatin1Char('.') || c == QLatin1Char(',');
    return dateCharacter && CDynEdit::AcceptsCharacter(c);
}

void CDynDateTime::SetDate(const QDate &date)
{
    m_value = date.isValid() ? validDate(date.year(), date.month(), date.day()) : QDate();
    ShowDate();
    SetModified(false);
}

QDate CDynDateTime::GetDate()
{
    ReadText();
    return m_value;
}

void CDynDateTime::ReadText()
{
    m_value = ParseDateText(WindowText(), QDate::currentDate().year());
}

void CDynDateTime::ShowDate()
{
    SetWindowText(FormatDateText(m_value));
}

bool CDynDateTime::FilterEvent(QObject *watched, QEvent *event)
{
    if (watched != GetWindow())
        return false;
    switch (event->type()) {
    case QEvent::ContextMenu:
        return true; // a date field has no context menu
    case QEvent::FocusOut:
        // Leaving the field shows what the typed text means; a pop-up (the
        // calendar) taking the focus is not leaving it.
        if (!IsDesignMode() &&
            static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) {
            ReadText();
            ShowDate();
        }
        return false;
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool opens = key->key() == Qt::Key_F4 ||
                           (key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier));
        if (opens && !IsDesignMode()) {
            OpenCalendar();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return CDynEdit::FilterEvent(watched, event);
}

void CDynDateTime::OpenCalendar()
{
    QWidget *field = GetWindow();
    if (!field || m_calendar || (lineEdit() && lineEdit()->isReadOnly()))
        return;
    auto *calendar = new QCalendarWidget(field);
    calendar->setWindowFlags(Qt::Popup);
    calendar->setAttribute(Qt::WA_DeleteOnClose);
    calendar->setGridVisible(true);
    // Month and day names in German, as every other text of the form,
    // whatever the machine's locale.
    calendar->setLocale(QLocale(QLocale::German, QLocale::Germany));
    const QDate shown = GetDate();
    calendar->setSelectedDate(shown.isValid() ? shown : QDate::currentDate());
    const auto take = [this, calendar](const QDate &date) {
        m_value = validDate(date.year(), date.month(), date.day());
        ShowDate();
        SetModified(true);
        calendar->close();
        if (GetWindow())
            GetWindow()->setFocus(Qt::PopupFocusReason);
    };
    connect(calendar, &QCalendarWidget::activated, this, take);
    connect(calendar, &QCalendarWidget::clicked, this, take);
    calendar->adjustSize();
    calendar->move(field->mapToGlobal(QPoint(0, field->height())));
    m_calendar = calendar;
    calendar->show();
    calendar->setFocus(Qt::PopupFocusReason);
}
