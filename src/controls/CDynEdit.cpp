#include "controls/CDynEdit.h"

#include "platform/TextLength.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextOption>
#include <QTimer>
#include <QValidator>

#include <cmath>
#include <functional>
#include <limits>

namespace {

using CharacterFilter = std::function<bool(QChar)>;

// Typed control characters (backspace, Return, Ctrl shortcuts) are never
// filtered, only characters that would go into the text.
bool isTypedCharacter(QChar c)
{
    return c.unicode() >= 0x20 && c.unicode() != 0x7f;
}

// Pastes and drops into a one-line field pass the same filter as typing: a
// new text is refused when it holds more refused characters than the text
// before (a stored value that does not fit the filter can still be edited).
// The line edit asks with its new text already in place, so the text before
// is remembered here.
//
// The length limit lives here too, not in QLineEdit's maxLength, which would
// cut a stored text longer than the column's declared size (SQLite keeps
// whatever it is given) when it is shown, and so change it on the next save.
// Only what the user adds is limited: a typed or pasted text that would make
// the field longer than the limit, and longer than before, loses what does
// not fit, and a text that is already too long can only get shorter.
class CharacterValidator final : public QValidator
{
public:
    // limit() is the most characters the user may bring the text to; 0 or
    // less for none (also while the control sets a value of its own).
    CharacterValidator(CharacterFilter accepts, std::function<int()> limit, QLineEdit *edit)
        : QValidator(edit), m_accepts(std::move(accepts)), m_limit(std::move(limit)),
          m_before(edit->text())
    {
        connect(edit, &QLineEdit::textChanged, this,
                [this](const QString &text) { m_before = text; });
    }

    State validate(QString &input, int &position) const override
    {
        if (refused(input) > refused(m_before))
            return Invalid;
        const int limit = m_limit();
        const qsizetype length = TextLength::characters(input);
        const qsizetype allowed = qMax<qsizetype>(limit, TextLength::characters(m_before));
        if (limit > 0 && length > allowed) {
            // Keep what fits of the characters just inserted before the
            // cursor; a letter of two UTF-16 units goes whole or not at all.
            qsizetype from = position;
            for (qsizetype excess = length - allowed; excess > 0; --excess) {
                if (from == 0)
                    return Invalid;
                const bool pair = from >= 2 && input.at(from - 1).isLowSurrogate() &&
                                  input.at(from - 2).isHighSurrogate();
                from -= pair ? 2 : 1;
            }
            input.remove(from, position - from);
            position = int(from);
            if (input == m_before)
                return Invalid; // nothing fitted: nothing changes, nothing is marked
        }
        return Acceptable;
    }

private:
    qsizetype refused(const QString &text) const
    {
        return std::count_if(text.begin(), text.end(),
                             [this](QChar c) { return isTypedCharacter(c) && !m_accepts(c); });
    }

    CharacterFilter m_accepts;
    std::function<int()> m_limit;
    QString m_before;
};

// QPlainTextEdit has no length limit and no validator; a field of a column
// with a defined size needs both, for typing and for pasting.
class MultiLineEdit final : public QPlainTextEdit
{
public:
    MultiLineEdit(CharacterFilter accepts, std::function<int()> breakWidth, QWidget *parent)
        : QPlainTextEdit(parent), m_accepts(std::move(accepts)), m_breakWidth(std::move(breakWidth))
    {}

    void setMaxLength(int maxLength) { m_maxLength = maxLength; }

protected:
    bool event(QEvent *event) override
    {
        // Page Up and Page Down page through a note, as in every text box,
        // before a window's shortcut for them (the form's next record) can
        // take them: a user paging through a long note never meant to leave
        // the record. With Ctrl they stay the window's.
        if (event->type() == QEvent::ShortcutOverride) {
            const auto *key = static_cast<QKeyEvent *>(event);
            const Qt::KeyboardModifiers modifiers =
                key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
            if ((key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown) &&
                modifiers == Qt::NoModifier) {
                event->accept();
                return true;
            }
        }
        return QPlainTextEdit::event(event);
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        const QString text = event->text();
        if (!text.isEmpty() && (isTypedCharacter(text.at(0)) || text == QLatin1String("\r")) &&
            roomLeft() < TextLength::characters(text))
            return;
        QPlainTextEdit::keyPressEvent(event);
    }

    void insertFromMimeData(const QMimeData *source) override
    {
        QString text = source->text();
        text.remove(QLatin1Char('\r'));
        if (std::any_of(text.begin(), text.end(),
                        [this](QChar c) { return isTypedCharacter(c) && !m_accepts(c); }))
            return;
        insertPlainText(TextLength::left(text, roomLeft()));
    }

private:
    // Characters that may still go in, counting a line break as the text
    // stores it ("\r\n" is two).
    qsizetype roomLeft() const
    {
        if (m_maxLength <= 0)
            return std::numeric_limits<int>::max();
        const QString all = toPlainText();
        const qsizetype length =
            TextLength::characters(all) + all.count(QLatin1Char('\n')) * (m_breakWidth() - 1);
        const qsizetype selected = TextLength::characters(textCursor().selectedText());
        return m_maxLength - (length - selected);
    }

    CharacterFilter m_accepts;
    std::function<int()> m_breakWidth;
    int m_maxLength = 0;
};

// Line feeds stored in the database become the edit control's line breaks.
QString withLineBreaks(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\n') && (i == 0 || text.at(i - 1) != QLatin1Char('\r')))
            result += QLatin1Char('\r');
        result += text.at(i);
    }
    return result;
}

} // namespace

QLineEdit *CDynEdit::lineEdit() const
{
    // A field with a list is a combo box around its line edit.
    if (auto *box = qobject_cast<QComboBox *>(GetWindow()))
        return box->lineEdit();
    return qobject_cast<QLineEdit *>(GetWindow());
}

QPlainTextEdit *CDynEdit::textEdit() const
{
    return qobject_cast<QPlainTextEdit *>(GetWindow());
}

bool CDynEdit::WantsMultiLineWindow() const
{
    return m_style & EditStyle::MultiLine;
}

QString CDynEdit::InitialText(const ControlDescription &) const
{
    return GetName();
}

QWidget *CDynEdit::MakeWindow(QWidget *parent, const ControlDescription &description)
{
    const auto accepts = [this](QChar c) {
        return AcceptsCharacter(c);
    };
    const auto changed = [this] {
        if (!m_settingText)
            SetModified(true);
    };
    QWidget *window = nullptr;
    if (WantsMultiLineWindow()) {
        auto *edit = new MultiLineEdit(
            accepts, [this] { return int(m_lineBreak.size()); }, parent);
        edit->setTabChangesFocus(true); // Tab moves on, as in every field
        connect(edit, &QPlainTextEdit::textChanged, this, changed);
        window = edit;
    } else {
        auto *edit = new QLineEdit(parent);
        const auto limit = [this] {
            return m_settingText ? 0 : int(m_maxLength);
        };
        edit->setValidator(new CharacterValidator(accepts, limit, edit));
        connect(edit, &QLineEdit::textChanged, this, changed);
        window = edit;
    }
    // A format's limit fits every value the column holds; a plain field
    // takes the description's.
    const int formatLimit = m_format.typingLimit();
    m_maxLength = formatLimit > 0 && formatLimit <= std::numeric_limits<qint16>::max()
                      ? qint16(formatLimit)
                      : description.maxLength;
    // The window may not be ours yet; the limit goes straight to it. A line
    // edit's own limit would cut stored texts: its validator limits typing.
    if (auto *edit = qobject_cast<QLineEdit *>(window))
        edit->setMaxLength(std::numeric_limits<int>::max());
    else
        static_cast<MultiLineEdit *>(window)->setMaxLength(m_maxLength);

    const QString initial = InitialText(description);
    const bool wasSetting = std::exchange(m_settingText, true);
    if (auto *edit = qobject_cast<QLineEdit *>(window))
        edit->setText(initial);
    else
        static_cast<QPlainTextEdit *>(window)->setPlainText(initial);
    m_settingText = wasSetting;
    return window;
}

void CDynEdit::SetFieldFormat(const FieldFormat &format)
{
    m_format = format;
    switch (format.kind()) {
    case FieldFormat::Kind::WholeNumber:
        m_inputKind = InputKind::WholeNumber;
        break;
    case FieldFormat::Kind::Decimal:
        m_inputKind = InputKind::DecimalNumber;
        break;
    case FieldFormat::Kind::Text:
    case FieldFormat::Kind::Date:
    case FieldFormat::Kind::DateTime:
    case FieldFormat::Kind::Time:
        m_inputKind = InputKind::FreeText;
        break;
    }
    const int limit = format.typingLimit();
    m_maxLength = limit > 0 && limit <= std::numeric_limits<qint16>::max() ? qint16(limit) : 0;
    if (auto *edit = static_cast<MultiLineEdit *>(textEdit()))
        edit->setMaxLength(m_maxLength);
}

void CDynEdit::SetInputKind(InputKind kind)
{
    switch (kind) {
    case InputKind::FreeText:
        SetFieldFormat(FieldFormat::text(m_maxLength, m_format.lineBreak()));
        break;
    case InputKind::WholeNumber:
        SetFieldFormat(FieldFormat::wholeNumber(std::numeric_limits<qint64>::min(),
                                                std::numeric_limits<qint64>::max()));
        break;
    case InputKind::DecimalNumber:
        SetFieldFormat(FieldFormat::decimal(0, -1));
        break;
    }
}

void CDynEdit::SetReadOnlyReason(const QString &reason)
{
    m_readOnlyReason = reason;
    ApplyStyle();
}

void CDynEdit::FinishCreate(const ControlDescription &description)
{
    if (!IsDesignMode())
        return;
    if (WantsAutoSize(description)) {
        // A text length asks for room for that many characters (at most 50).
        const QString sample = description.textLength < 0
                                   ? description.caption
                                   : QString(qMin(description.textLength, 50), QLatin1Char('*'));
        const QRect rect = AutoSizeFrom(description, sample);
        // Room for the field's frame around the text.
        MoveTo(rect.left(), rect.top(), rect.left() + rect.width() + 4,
               rect.top() + rect.height() + 3);
    }
    SetWindowText(description.caption);
}

void CDynEdit::ApplyStyle()
{
    CDynControl::ApplyStyle();
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (m_style & EditStyle::Right)
        horizontal = Qt::AlignRight;
    else if (m_style & EditStyle::Center)
        horizontal = Qt::AlignHCenter;
    const bool readOnly = (m_style & EditStyle::ReadOnly) || !m_readOnlyReason.isEmpty();
    if (QWidget *window = GetWindow()) {
        window->setToolTip(m_readOnlyReason);
        window->setAccessibleDescription(m_readOnlyReason);
    }
    if (QLineEdit *edit = lineEdit()) {
        edit->setReadOnly(readOnly);
        edit->setAlignment(horizontal | Qt::AlignVCenter);
        edit->setFrame(edit == GetWindow()); // a combo box draws the frame itself
    } else if (QPlainTextEdit *edit = textEdit()) {
        edit->setReadOnly(readOnly);
        QTextOption option = edit->document()->defaultTextOption();
        option.setAlignment(horizontal);
        edit->document()->setDefaultTextOption(option);
        // Without horizontal scrolling the lines wrap at the field's width.
        edit->setLineWrapMode((m_style & EditStyle::AutoHScroll) ? QPlainTextEdit::NoWrap
                                                                 : QPlainTextEdit::WidgetWidth);
        edit->setVerticalScrollBarPolicy(
            (m_style & EditStyle::AutoVScroll) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
}

bool CDynEdit::AcceptsCharacter(QChar c) const
{
    return m_format.acceptsCharacter(c);
}

bool CDynEdit::FilterEvent(QObject *watched, QEvent *event)
{
    if (watched != GetWindow())
        return false;
    if (event->type() == QEvent::FocusOut) {
        // Leaving the field by Tab, the mouse or a shortcut reads what was
        // typed; a menu, a pop-up or another window taking the focus for a
        // while is no leaving. The reading waits until the focus has
        // arrived, so that a refusal can bring it back.
        switch (static_cast<QFocusEvent *>(event)->reason()) {
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
        case Qt::MouseFocusReason:
        case Qt::ShortcutFocusReason:
        case Qt::OtherFocusReason:
            if (!IsDesignMode() && IsModified() && !m_readPending) {
                m_readPending = true;
                QTimer::singleShot(0, this, [this] { ReadAfterLeaving(); });
            }
            break;
        default:
            break;
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    // Ctrl+A, Ctrl+V and the like are commands, whatever text a platform
    // gives them; Ctrl with Alt is AltGr on Windows and types ("@", "€").
    const Qt::KeyboardModifiers modifiers = key->modifiers();
    if ((modifiers & (Qt::ControlModifier | Qt::MetaModifier)) && !(modifiers & Qt::AltModifier))
        return false;
    const QString text = key->text();
    if (text.isEmpty() || !isTypedCharacter(text.at(0)))
        return false;
    // Alt with a letter is a menu's mnemonic; one that no menu has must not
    // type its letter over the field's text.
    if ((modifiers & Qt::AltModifier) && !(modifiers & Qt::ControlModifier))
        return true;
    return !std::all_of(text.begin(), text.end(), [this](QChar c) { return AcceptsCharacter(c); });
}

void CDynEdit::ReadAfterLeaving()
{
    m_readPending = false;
    QWidget *field = GetWindow();
    if (!field || !IsModified() || field->hasFocus())
        return; // saved or shown anew meanwhile, or the user came back
    QString value;
    QString problem;
    if (!GetRecordText(&value, &problem)) {
        Refuse(problem);
        return;
    }
    ShowRead(value);
}

void CDynEdit::ShowRead(const QString &value)
{
    if (m_format.kind() == FieldFormat::Kind::Text)
        return;
    // The value meant, in its normal form ("1.234,5" shows "1234,5",
    // "1.2.24" shows "01.02.2024"); still the user's change.
    const QString shown = m_format.show(value);
    if (shown != WindowText())
        SetWindowText(shown);
}

bool CDynEdit::GetRecordText(QString *text, QString *problem) const
{
    problem->clear();
    QString typed = WindowText();
    if (m_format.kind() == FieldFormat::Kind::Text) {
        // Line breaks go back as the text had them.
        typed.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        typed.replace(QLatin1Char('\n'), m_lineBreak);
        const FieldFormat::Reading reading = m_format.readValue(typed);
        *text = typed;
        *problem = reading.problem;
        return reading.ok;
    }
    const FieldFormat::Reading reading = m_format.read(typed, QDate::currentDate(), m_recordValue);
    *text = reading.value;
    *problem = reading.problem;
    return reading.ok;
}

void CDynEdit::SetValueText(const QString &text)
{
    m_recordValue = text;
    QString shown;
    if (m_format.kind() == FieldFormat::Kind::Text) {
        // The text keeps the line breaks it has; a new one takes the format's.
        m_lineBreak = text.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n")
                      : text.contains(QLatin1Char('\n'))   ? QStringLiteral("\n")
                                                           : m_format.lineBreak();
        shown = withLineBreaks(text);
    } else {
        shown = m_format.show(text);
    }
    SetWindowText(shown);
    SetModified(false);
}

QString CDynEdit::WindowText() const
{
    if (const QLineEdit *edit = lineEdit())
        return edit->text();
    if (const QPlainTextEdit *edit = textEdit())
        return edit->toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return QString();
}

void CDynEdit::SetWindowText(const QString &text)
{
    const bool wasSetting = std::exchange(m_settingText, true);
    if (QLineEdit *edit = lineEdit())
        edit->setText(text);
    else if (QPlainTextEdit *edit = textEdit())
        edit->setPlainText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    m_settingText = wasSetting;
}
