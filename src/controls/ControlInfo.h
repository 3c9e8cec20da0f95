#ifndef QRT_CONTROLS_CONTROLINFO_H
#define QRT_CONTROLS_CONTROLINFO_H

#include "qrt_export.h"

#include <QString>

// The plain values that describe one control of a stored form: what the
// CONTROLINFO record of a QRTFORMITEM row holds. Controls write it
// (CDynControl::GetControlInfo); the form builder reads it back into the same
// struct, so both sides agree on one set of fields without the controls
// knowing the builder.

// The kind code of a control, as stored in the record's TYP attribute.
enum class ControlKind : int {
    Static = 0,   // caption (label text), CDynStatic
    Edit = 1,     // text or number field, CDynEdit
    Checkbox = 2, // yes/no field, CDynCheckbox
    DateTime = 3, // date field, CDynDateTime
    Frame = 4,    // group box, CDynFrame
};

// The alignment and line flags of a control, a bit set.
namespace ControlFlags {
inline constexpr unsigned Left = 1;
inline constexpr unsigned Right = 2;
inline constexpr unsigned Center = 4;
inline constexpr unsigned MultiLine = 8;
} // namespace ControlFlags

// A font as the form definition stores it. A size below 1 stands for the
// default font, "MS Sans Serif" at 8 points (see CDynControl::SetFont).
struct FontDescription
{
    QString faceName;
    int size = 0;      // tenths of a point
    int weight = 0;    // 0 = not set, 700 = bold
    quint8 italic = 0; // 0 or 1

    friend bool operator==(const FontDescription &a, const FontDescription &b)
    {
        return a.faceName == b.faceName && a.size == b.size && a.weight == b.weight &&
               a.italic == b.italic;
    }
    friend bool operator!=(const FontDescription &a, const FontDescription &b) { return !(a == b); }
};

// How a field whose column refers to another table's rows (a foreign key)
// shows its value. Automatic, as in every record written before there were
// lists: a list of those rows by their first text column that must hold a
// value. Column: by the column named. Off: the plain key.
struct LookupSetting
{
    enum class Mode { Automatic, Column, Off };
    Mode mode = Mode::Automatic;
    QString column; // Mode::Column

    friend bool operator==(const LookupSetting &a, const LookupSetting &b)
    {
        return a.mode == b.mode && (a.mode != Mode::Column || a.column == b.column);
    }
    friend bool operator!=(const LookupSetting &a, const LookupSetting &b) { return !(a == b); }
};

// A frame that shows the records of another table that refer to the
// record of the form (a subform): the table, its column that refers (link)
// and the form's column it refers to (key). Empty for every other control.
struct SubformSetting
{
    QString table;
    QString link;
    QString key;

    [[nodiscard]] bool isEmpty() const { return table.isEmpty(); }
    friend bool operator==(const SubformSetting &a, const SubformSetting &b)
    {
        return a.table == b.table && a.link == b.link && a.key == b.key;
    }
};

struct QRT_EXPORT ControlInfo
{
    int typ = 0; // a ControlKind code; stored records may hold any number
    QString name;
    int left = 0;  // edges in the form window's client coordinates, pixels;
    int right = 0; // right and bottom lie just outside the control
    int top = 0;
    int bottom = 0;
    QString caption;
    FontDescription font;
    unsigned flags = ControlFlags::Left;
    LookupSetting lookup;
    SubformSetting subform;

    // The record as one line of XML, elements in the order the stored forms
    // have always used: TYP, NAME, LEFT, RIGHT, TOP, BOTTOM, CAPTION, FONT,
    // ALIGN, MULTILINE. Name, caption and face name are escaped, so any text
    // reads back unchanged, line breaks included (a raw quote in the face
    // name would make the record unreadable). Right wins over Center when
    // both flags are set. A lookup setting other than Automatic follows as
    // one more element, <LOOKUP DISPLAY="Name"></LOOKUP> or <LOOKUP
    // OFF="True"></LOOKUP>, which readers of the older records pass over as
    // they pass over every element they do not know: such a field stays an
    // edit field of the key for them. A subform (a frame to them) follows
    // as <SUBFORM TABLE="Bestellungen" LINK="KundeID" KEY="ID"></SUBFORM>.
    [[nodiscard]] QString toXml() const;
};

#endif // QRT_CONTROLS_CONTROLINFO_H
