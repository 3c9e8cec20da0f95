#include "controls/WindowStyle.h"

namespace {

using namespace ControlFlags;

// Edit, date and caption share the alignment bits: centre 1, right 2.
StyleBits textAlignment(unsigned flags)
{
    StyleBits bits = 0;
    if (flags & Center)
        bits |= EditStyle::Center;
    if (flags & Right)
        bits |= EditStyle::Right;
    return bits;
}

// Left and right together read as centred, as for a push button.
StyleBits buttonAlignment(unsigned flags)
{
    StyleBits bits = 0;
    if (flags & Left)
        bits |= ButtonStyle::Left;
    if (flags & Right)
        bits |= ButtonStyle::Right;
    if (flags & Center)
        bits |= ButtonStyle::Center;
    return bits;
}

} // namespace

StyleBits baseStyle(ControlKind kind, bool designMode)
{
    using namespace WindowStyle;
    switch (kind) {
    case ControlKind::Edit:
        return Child | Visible | (designMode ? EditStyle::ReadOnly : EditStyle::AutoHScroll);
    case ControlKind::DateTime:
        return Child | Visible | (designMode ? EditStyle::ReadOnly : 0);
    case ControlKind::Checkbox:
        return designMode ? Child | Visible | Border | ButtonStyle::CheckBox
                          : Child | Visible | ButtonStyle::AutoCheckBox;
    case ControlKind::Static:
        return designMode ? Child | Visible | Border | StaticStyle::Notify : Child | Visible;
    case ControlKind::Frame:
        return Child | Visible | ButtonStyle::GroupBox | (designMode ? ButtonStyle::Notify : 0);
    }
    return Child | Visible;
}

StyleBits controlStyle(ControlKind kind, bool designMode, unsigned flags,
                       std::optional<StyleBits> current)
{
    StyleBits style = current.value_or(baseStyle(kind, designMode));
    const bool multiLine = flags & MultiLine;
    switch (kind) {
    case ControlKind::Edit:
    case ControlKind::DateTime: {
        style &= ~(EditStyle::Center | EditStyle::Right);
        style |= textAlignment(flags);
        // A date field scrolls neither way; an edit field follows its text.
        const StyleBits lineBits = kind == ControlKind::Edit
                                       ? EditStyle::MultiLine | EditStyle::AutoVScroll
                                       : EditStyle::MultiLine;
        if (multiLine) {
            style &= ~EditStyle::AutoHScroll;
            style |= lineBits;
        } else if (style & EditStyle::MultiLine) {
            // Back to one line: the mode's horizontal scrolling returns, so
            // that switching multi-line off in the properties takes effect.
            style &= ~lineBits;
            style |= baseStyle(kind, designMode) & EditStyle::AutoHScroll;
        }
        break;
    }
    case ControlKind::Checkbox:
        style &= ~ButtonStyle::Center;
        style |= buttonAlignment(flags);
        break;
    case ControlKind::Static:
        style &= ~(StaticStyle::Center | StaticStyle::Right);
        style |= textAlignment(flags);
        // Captions show their extent while the layout is edited.
        if (designMode)
            style |= WindowStyle::Border;
        break;
    case ControlKind::Frame:
        break;
    }
    return style;
}
