#include "controls/CDynComboBox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QHash>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTimer>

#include <functional>

namespace {

// How long typing must pause before the list is read for it.
constexpr int kTypingPauseMs = 250;

// What a row of the list holds besides the text it shows.
constexpr int kValueRole = Qt::UserRole;
constexpr int kShownRole = Qt::UserRole + 1;

// The combo box of a field with a list: its own list stays empty, the arrow,
// F4 and Alt+Down open the field's list instead (read for what it shows).
class ListBox final : public QComboBox
{
public:
    ListBox(QWidget *parent, std::function<void()> open)
        : QComboBox(parent), m_open(std::move(open))
    {}

    void showPopup() override { m_open(); }

private:
    std::function<void()> m_open;
};

} // namespace

CDynComboBox::CDynComboBox(bool designMode) : CDynEdit(designMode)
{
    m_typingPause = new QTimer(this);
    m_typingPause->setSingleShot(true);
    m_typingPause->setInterval(kTypingPauseMs);
    connect(m_typingPause, &QTimer::timeout, this, &CDynComboBox::OpenList);
}

CDynComboBox::~CDynComboBox() = default;

void CDynComboBox::SetChoices(std::shared_ptr<ChoiceSource> source)
{
    m_source = std::move(source);
    if (m_source)
        SetFieldFormat(FieldFormat::text(0, GetFieldFormat().lineBreak()));
}

void CDynComboBox::SetLookup(const LookupSetting &setting)
{
    const bool wasOff = m_lookup.mode == LookupSetting::Mode::Off;
    m_lookup = setting;
    if (GetWindow() && wasOff != (setting.mode == LookupSetting::Mode::Off))
        SetFlags(GetProperties().flags, true);
}

void CDynComboBox::SetLookupColumns(const QStringList &columns, const QString &automatic)
{
    m_lookupColumns = columns;
    m_automaticLookupColumn = automatic;
}

ControlProperties CDynComboBox::GetProperties() const
{
    ControlProperties properties = CDynEdit::GetProperties();
    properties.multiLineEnabled = m_lookup.mode == LookupSetting::Mode::Off;
    properties.lookup = m_lookup;
    properties.lookupColumns = m_lookupColumns;
    properties.automaticLookupColumn = m_automaticLookupColumn;
    return properties;
}

void CDynComboBox::ApplyProperties(const ControlProperties &properties)
{
    // Before the widget is made anew: a list, or a plain field for Off.
    m_lookup = properties.lookup;
    CDynEdit::ApplyProperties(properties);
}

ControlInfo CDynComboBox::StoredInfo() const
{
    ControlInfo info = CDynEdit::StoredInfo();
    info.lookup = m_lookup;
    return info;
}

bool CDynComboBox::WantsMultiLineWindow() const
{
    return m_lookup.mode == LookupSetting::Mode::Off && CDynEdit::WantsMultiLineWindow();
}

QWidget *CDynComboBox::MakeWindow(QWidget *parent, const ControlDescription &description)
{
    if (m_lookup.mode == LookupSetting::Mode::Off)
        return CDynEdit::MakeWindow(parent, description);
    auto *box = new ListBox(parent, [this] { OpenList(); });
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    auto *edit = static_cast<QLineEdit *>(CDynEdit::MakeWindow(box, description));
    box->setLineEdit(edit);
    box->setCompleter(nullptr); // the field's list completes, read for each text
    Watch(edit);

    auto *completer = new QCompleter(box);
    m_listModel = new QStandardItemModel(completer);
    completer->setModel(m_listModel);
    completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    completer->setMaxVisibleItems(12);
    completer->setWidget(edit);
    connect(completer, qOverload<const QModelIndex &>(&QCompleter::activated), this,
            [this](const QModelIndex &index) {
                Choose({index.data(kValueRole).toString(), index.data(kShownRole).toString()});
            });
    m_completer = completer;
    connect(edit, &QLineEdit::textEdited, this, [this] {
        if (m_source)
            m_typingPause->start();
    });
    return box;
}

void CDynComboBox::OpenList()
{
    m_typingPause->stop();
    // A field the user cannot change offers nothing to choose.
    if (!m_source || !m_completer || IsDesignMode() || (lineEdit() && lineEdit()->isReadOnly()))
        return;
    // The record's own name lists from the start; what the user typed lists
    // the rows it names.
    const QString shown = WindowText();
    const bool typed = shown != m_shownForRecord && !(m_chosen && m_chosen->shown == shown);
    const QVector<ChoiceSource::Choice> choices =
        m_source->choices(typed ? shown.trimmed() : QString(), kListRows);
    m_listModel->clear();
    // Two rows of one name are told apart by their keys, in the list only.
    QHash<QString, int> names;
    for (const ChoiceSource::Choice &choice : choices)
        ++names[choice.shown];
    for (const ChoiceSource::Choice &choice : choices) {
        auto *item =
            new QStandardItem(names.value(choice.shown) > 1
                                  ? QStringLiteral("%1 (%2)").arg(choice.shown, choice.value)
                                  : choice.shown);
        item->setData(choice.value, kValueRole);
        item->setData(choice.shown, kShownRole);
        item->setEditable(false);
        m_listModel->appendRow(item);
    }
    if (choices.isEmpty()) {
        m_completer->popup()->hide();
        return;
    }
    m_completer->setCompletionPrefix(QString());
    m_completer->complete();
}

QAbstractItemView *CDynComboBox::ListView() const
{
    return m_completer && m_completer->popup()->isVisible() ? m_completer->popup() : nullptr;
}

void CDynComboBox::Choose(const ChoiceSource::Choice &choice)
{
    m_typingPause->stop();
    m_chosen = choice;
    SetWindowText(choice.shown);
    SetModified(true);
}

void CDynComboBox::SetRecordText(const QString &text)
{
    CDynEdit::SetRecordText(text);
    m_chosen.reset();
    m_typingPause->stop();
    if (m_source && !text.isEmpty())
        SetWindowText(m_source->shownFor(text).value_or(text));
    m_shownForRecord = WindowText();
}

bool CDynComboBox::GetRecordText(QString *text, QString *problem) const
{
    if (!m_source)
        return CDynEdit::GetRecordText(text, problem);
    problem->clear();
    const QString shown = WindowText();
    if (shown == m_shownForRecord) {
        *text = RecordValue();
        return true;
    }
    if (m_chosen && shown == m_chosen->shown) {
        *text = m_chosen->value;
        return true;
    }
    const QString typed = shown.trimmed();
    if (typed.isEmpty()) {
        text->clear();
        return true;
    }
    const QVector<ChoiceSource::Choice> found = m_source->named(typed, 2);
    if (found.size() == 1) {
        *text = found.constFirst().value;
        return true;
    }
    *problem = found.isEmpty()
                   ? QStringLiteral("erwartet einen Eintrag der Liste: „%1“ gibt es in %2 nicht")
                         .arg(typed, m_source->origin())
                   : QStringLiteral("erwartet einen Eintrag der Liste: „%1“ gibt es in %2 "
                                    "mehrmals, bitte wählen Sie einen aus der Liste")
                         .arg(typed, m_source->origin());
    return false;
}

void CDynComboBox::ShowRead(const QString &value)
{
    if (!m_source) {
        CDynEdit::ShowRead(value);
        return;
    }
    // The name as the row spells it ("müller" typed shows "Müller"); the row
    // stays chosen, so that the save reads no name again.
    const QString shown = m_source->shownFor(value).value_or(value);
    m_chosen = ChoiceSource::Choice{value, shown};
    if (shown != WindowText())
        SetWindowText(shown);
}

QString CDynComboBox::ShownText(const QString &recordText) const
{
    if (!m_source)
        return CDynEdit::ShownText(recordText);
    return recordText.isEmpty() ? QString() : m_source->shownFor(recordText).value_or(recordText);
}

void CDynComboBox::PrepareShownTexts(const QStringList &recordTexts)
{
    if (m_source)
        m_source->prefetch(recordTexts);
}

bool CDynComboBox::AcceptsCharacter(QChar c) const
{
    // Names, not keys: every character a name may hold.
    return m_source ? true : CDynEdit::AcceptsCharacter(c);
}
