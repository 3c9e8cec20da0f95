#include "controls/CDynEdit.h"

#include "platform/TextLength.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextOption>
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
    MultiLineEdit(CharacterFilter accepts, QWidget *parent)
        : QPlainTextEdit(parent), m_accepts(std::move(accepts))
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
    // Characters that may still go in, counting a line break as "\r\n".
    qsizetype roomLeft() const
    {
        if (m_maxLength <= 0)
            return std::numeric_limits<int>::max();
        const QString all = toPlainText();
        const qsizetype length = TextLength::characters(all) + all.count(QLatin1Char('\n'));
        const qsizetype selected = TextLength::characters(textCursor().selectedText());
        return m_maxLength - (length - selected);
    }

    CharacterFilter m_accepts;
    int m_maxLength = 0;
};

// What the C library's atof reads: the leading decimal number of a text,
// 0 when there is none. Independent of the process's locale.
double leadingNumber(const QString &text)
{
    qsizetype pos = 0;
    while (pos < text.size() && text.at(pos).isSpace())
        ++pos;
    const qsizetype start = pos;
    const auto digits = [&text, &pos] {
        const qsizetype from = pos;
        while (pos < text.size() && text.at(pos) >= QLatin1Char('0') &&
               text.at(pos) <= QLatin1Char('9'))
            ++pos;
        return pos - from;
    };
    if (pos < text.size() && (text.at(pos) == QLatin1Char('-') || text.at(pos) == QLatin1Char('+')))
        ++pos;
    qsizetype mantissa = digits();
    if (pos < text.size() && text.at(pos) == QLatin1Char('.')) {
        ++pos;
        mantissa += digits();
    }
    if (mantissa == 0)
        return 0.0;
    qsizetype end = pos;
    if (pos < text.size() &&
        (text.at(pos) == QLatin1Char('e') || text.at(pos) == QLatin1Char('E'))) {
        ++pos;
        if (pos < text.size() &&
            (text.at(pos) == QLatin1Char('-') || text.at(pos) == QLatin1Char('+')))
            ++pos;
        if (digits() > 0)
            end = pos;
    }
    bool ok = false;
    const double value = text.mid(start, end - start).toDouble(&ok);
    return ok ? value : 0.0;
}

// Rounds half away from zero to places decimals, in the steps the stored
// values were always shown with, and writes the result with a decimal
// comma and without trailing zeros ("12,5", "12,0"; "120" without places).
QString decimalText(double value, int places)
{
    places = qBound(0, places, 15);
    const double scale = std::pow(10.0, places + 1);
    double shifted = value * scale;
    if (std::isfinite(shifted)) {
        shifted += value < 0 ? -5.0 : 5.0;
        shifted /= 10.0;
        shifted = std::trunc(shifted);
        value = shifted / std::pow(10.0, places);
    }
    value += 0.0; // no "-0,0" for a negative value that rounds to zero
    QString text = QString::number(value, 'f', places);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text += QLatin1Char('0');
    }
    return text.replace(QLatin1Char('.'), QLatin1Char(','));
}

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
        auto *edit = new MultiLineEdit(accepts, parent);
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
    m_maxLength = description.maxLength;
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

void CDynEdit::SetMaxLength(qint16 maxLength)
{
    m_maxLength = maxLength; // a line edit's validator reads it
    if (lineEdit())
        return;
    if (auto *edit = static_cast<MultiLineEdit *>(textEdit()))
        edit->setMaxLength(maxLength);
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
    const bool readOnly = m_style & EditStyle::ReadOnly;
    if (QLineEdit *edit = lineEdit()) {
        edit->setReadOnly(readOnly);
        edit->setAlignment(horizontal | Qt::AlignVCenter);
        edit->setFrame(true);
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
    const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
    switch (m_inputKind) {
    case InputKind::FreeText:
        return true;
    case InputKind::WholeNumber:
        return digit || c == QLatin1Char('-');
    case InputKind::DecimalNumber:
        return digit || c == QLatin1Char('-') || c == QLatin1Char('.') || c == QLatin1Char(',');
    }
    return true;
}

bool CDynEdit::FilterEvent(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || watched != GetWindow())
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
    return !std::all_of(text.begin(), text.end(), [this](QChar c) { return AcceptsCharacter(c); });
}

void CDynEdit::SetValueText(const QString &text)
{
    QString shown;
    switch (m_inputKind) {
    case InputKind::WholeNumber:
        shown = text;
        break;
    case InputKind::DecimalNumber:
        // An empty value (a Null field) stays empty: showing 0,0 would
        // write a 0 the record never held.
        shown = text.isEmpty() ? QString() : decimalText(leadingNumber(text), m_decimalPlaces);
        break;
    case InputKind::FreeText:
        shown = withLineBreaks(text);
        break;
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
