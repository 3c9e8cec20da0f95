#ifndef QRT_CONTROLS_WINDOWSTYLE_H
#define QRT_CONTROLS_WINDOWSTYLE_H

#include "controls/ControlInfo.h"
#include "qrt_export.h"

#include <optional>

// The window style bits of the form controls, with the values the stored
// forms and the form editor were designed around (the Win32 WS_, ES_, BS_
// and SS_ families). A control computes its style from kind, mode and flags
// and then applies it to its Qt widget: alignment, read-only, multi-line,
// border, focus policy. The names differ from the Win32 macros on purpose,
// so that a Windows build that sees <windows.h> still compiles.
using StyleBits = quint32;

namespace WindowStyle {
inline constexpr StyleBits Child = 0x40000000;   // WS_CHILD
inline constexpr StyleBits Visible = 0x10000000; // WS_VISIBLE
inline constexpr StyleBits Border = 0x00800000;  // WS_BORDER
inline constexpr StyleBits TabStop = 0x00010000; // WS_TABSTOP
} // namespace WindowStyle

namespace EditStyle {
inline constexpr StyleBits Center = 0x0001;      // ES_CENTER
inline constexpr StyleBits Right = 0x0002;       // ES_RIGHT
inline constexpr StyleBits MultiLine = 0x0004;   // ES_MULTILINE
inline constexpr StyleBits AutoVScroll = 0x0040; // ES_AUTOVSCROLL
inline constexpr StyleBits AutoHScroll = 0x0080; // ES_AUTOHSCROLL
inline constexpr StyleBits ReadOnly = 0x0800;    // ES_READONLY
} // namespace EditStyle

namespace ButtonStyle {
inline constexpr StyleBits CheckBox = 0x0002;     // BS_CHECKBOX: toggles only when told
inline constexpr StyleBits AutoCheckBox = 0x0003; // BS_AUTOCHECKBOX: toggles on a click
inline constexpr StyleBits GroupBox = 0x0007;     // BS_GROUPBOX
inline constexpr StyleBits Left = 0x0100;         // BS_LEFT
inline constexpr StyleBits Right = 0x0200;        // BS_RIGHT
inline constexpr StyleBits Center = 0x0300;       // BS_CENTER
inline constexpr StyleBits Notify = 0x4000;       // BS_NOTIFY
} // namespace ButtonStyle

namespace StaticStyle {
inline constexpr StyleBits Center = 0x0001; // SS_CENTER
inline constexpr StyleBits Right = 0x0002;  // SS_RIGHT
inline constexpr StyleBits Notify = 0x0100; // SS_NOTIFY
} // namespace StaticStyle

// The style a control of kind starts from before its flags are applied.
// Design mode makes fields read-only, check boxes inert and captions
// bordered, so that the layout can be edited without touching values.
[[nodiscard]] QRT_EXPORT StyleBits baseStyle(ControlKind kind, bool designMode);

// The style for flags: starting from current (the live window's style) or,
// without a window, from baseStyle, the alignment bits are replaced and the
// multi-line bits set or cleared. Frames keep their style; their flags are
// only stored.
[[nodiscard]] QRT_EXPORT StyleBits controlStyle(ControlKind kind, bool designMode, unsigned flags,
                                                std::optional<StyleBits> current = std::nullopt);

#endif // QRT_CONTROLS_WINDOWSTYLE_H
