#include "controls/CDynDateTime.h"

#include "platform/GermanValues.h"

#include <QCalendarWidget>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>

CDynDateTime::CDynDateTime(bool designMode) : CDynEdit(designMode)
{
    SetFieldFormat(FieldFormat::date());
}

QString CDynDateTime::InitialText(const ControlDescription &description) const
{
    return description.name.value_or(QString());
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

void CDynDateTime::SetDate(const QDate &date)
{
    SetValueText(date.isValid() ? GermanValues::recordDate(date) : QString());
}

QDate CDynDateTime::GetDate() const
{
    QString value;
    QString problem;
    if (!GetRecordText(&value, &problem) || value.isEmpty())
        return QDate();
    QDate day;
    QTime time;
    return GermanValues::recordDateTime(value, &day, &time) ? day : QDate();
}

bool CDynDateTime::FilterEvent(QObject *watched, QEvent *event)
{
    if (watched != GetWindow())
        return false;
    switch (event->type()) {
    case QEvent::ContextMenu:
        return true; // a date field has no context menu
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
        QString text = GermanValues::shownDate(date);
        if (GetFieldFormat().kind() == FieldFormat::Kind::DateTime) {
            // The time of day the field shows stays with the new day.
            QString time = WindowText().trimmed().section(QLatin1Char(' '), 1);
            if (time.isEmpty())
                time = GetFieldFormat().show(RecordValue()).section(QLatin1Char(' '), 1);
            text += QLatin1Char(' ') + (time.isEmpty() ? QStringLiteral("00:00") : time);
        }
        SetWindowText(text);
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
