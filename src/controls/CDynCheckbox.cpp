#include "controls/CDynCheckbox.h"

#include "platform/GermanValues.h"

#include <QCheckBox>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

// QCheckBox always draws box and text at its left edge and has no frame.
// The stored forms align the pair left, centred or right within the
// control, and show a border around check boxes in design mode.
class AlignedCheckBox final : public QCheckBox
{
public:
    using QCheckBox::QCheckBox;

    void setContentAlignment(Qt::Alignment alignment)
    {
        m_alignment = alignment;
        update();
    }
    void setBordered(bool bordered)
    {
        m_bordered = bordered;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        const int width = qMin(sizeHint().width(), option.rect.width());
        int left = option.rect.left();
        if (m_alignment & Qt::AlignRight)
            left = option.rect.left() + option.rect.width() - width;
        else if (m_alignment & Qt::AlignHCenter)
            left = option.rect.left() + (option.rect.width() - width) / 2;
        option.rect = QRect(left, option.rect.top(), width, option.rect.height());
        painter.drawControl(QStyle::CE_CheckBox, option);
        if (m_bordered) {
            painter.setPen(palette().color(QPalette::WindowText));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
        }
    }

    // The whole control takes the click, wherever its box is drawn.
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }

private:
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_bordered = false;
};

} // namespace

QCheckBox *CDynCheckbox::box() const
{
    return qobject_cast<QCheckBox *>(GetWindow());
}

QWidget *CDynCheckbox::MakeWindow(QWidget *parent, const ControlDescription &description)
{
    auto *window = new AlignedCheckBox(description.caption, parent);
    window->setTristate(m_triState);
    // clicked comes from the user only (mouse or space bar), not from
    // SetChecked, so it is the change notification.
    connect(window, &QCheckBox::clicked, this, [this] {
        if (!IsDesignMode())
            SetModified(true);
    });
    return window;
}

void CDynCheckbox::FinishCreate(const ControlDescription &description)
{
    // "www" makes room for the box in front of the text.
    if (WantsAutoSize(description) && description.textLength < 0)
        AutoSizeFrom(description, description.caption + QStringLiteral("www"));
}

void CDynCheckbox::ApplyStyle()
{
    CDynControl::ApplyStyle();
    auto *window = static_cast<AlignedCheckBox *>(box());
    if (!window)
        return;
    const StyleBits alignment = m_style & ButtonStyle::Center;
    window->setContentAlignment(alignment == ButtonStyle::Center  ? Qt::AlignHCenter
                                : alignment == ButtonStyle::Right ? Qt::AlignRight
                                                                  : Qt::AlignLeft);
    window->setBordered(m_style & WindowStyle::Border);
}

void CDynCheckbox::SetChecked(bool on)
{
    if (box())
        box()->setChecked(on);
    SetModified(false);
}

bool CDynCheckbox::IsChecked() const
{
    return box() && box()->checkState() == Qt::Checked;
}

void CDynCheckbox::SetTriState(bool on)
{
    m_triState = on;
    if (box())
        box()->setTristate(on);
}

Qt::CheckState CDynCheckbox::StateOf(const QString &recordText) const
{
    if (recordText.toUpper() == QLatin1String("TRUE"))
        return Qt::Checked;
    // A Null: "unknown" where the box has a third state.
    return m_triState && recordText.isEmpty() ? Qt::PartiallyChecked : Qt::Unchecked;
}

void CDynCheckbox::SetRecordText(const QString &text)
{
    if (box())
        box()->setCheckState(StateOf(text));
    SetModified(false);
}

QString CDynCheckbox::ShownText(const QString &recordText) const
{
    switch (StateOf(recordText)) {
    case Qt::Checked:
        return QStringLiteral("Ja");
    case Qt::PartiallyChecked:
        return QStringLiteral("unbekannt");
    case Qt::Unchecked:
        break;
    }
    return QStringLiteral("Nein");
}

bool CDynCheckbox::TakeUserText(const QString &text, QString *problem, Entry entry)
{
    // Beside the words, what spreadsheets write for a ticked box.
    const QString word = text.trimmed().toLower();
    std::optional<bool> yes = GermanValues::yesNoWord(word);
    if (word == QLatin1String("x") || word == QLatin1String("1"))
        yes = true;
    else if (word == QLatin1String("0"))
        yes = false;
    Qt::CheckState state = Qt::Unchecked;
    if (yes)
        state = *yes ? Qt::Checked : Qt::Unchecked;
    else if (word.isEmpty() || word == QLatin1String("unbekannt"))
        state = m_triState ? Qt::PartiallyChecked : Qt::Unchecked;
    else {
        *problem = QStringLiteral("erwartet „Ja“ oder „Nein“");
        return false;
    }
    problem->clear();
    if (entry == Entry::Check)
        return true;
    if (box())
        box()->setCheckState(state);
    SetModified(true);
    return true;
}

bool CDynCheckbox::GetRecordText(QString *text, QString *problem) const
{
    problem->clear();
    const Qt::CheckState state = box() ? box()->checkState() : Qt::Unchecked;
    *text = state == Qt::Checked            ? QStringLiteral("True")
            : state == Qt::PartiallyChecked ? QString(QLatin1String(""))
                                            : QStringLiteral("False");
    return true;
}

QString CDynCheckbox::WindowText() const
{
    return box() ? box()->text() : QString();
}

void CDynCheckbox::SetWindowText(const QString &text)
{
    if (box())
        box()->setText(text);
}
