#ifndef QRT_FORMDEF_CONTROLINFOREADER_H
#define QRT_FORMDEF_CONTROLINFOREADER_H

#include "controls/ControlInfo.h"
#include "qrt_export.h"

#include <QString>

// Reads one stored CONTROLINFO record (as ControlInfo::toXml writes it) back
// into its values, the way stored forms have always been read:
//  - numbers as the C library's atoi reads them ("12px" is 12, "x" is 0);
//  - ALIGN "Right" and "Center" and MULTILINE "True" exactly, any other text
//    (other letter case included) as left-aligned and single-line;
//  - a FONT element without attributes as size 0, the default font;
//  - the order of the elements and any extra element or attribute do not
//    matter;
//  - the optional LOOKUP element gives the lookup setting (Automatic
//    without it), the optional SUBFORM element a subform's table and link.
// The TYP attribute and the elements NAME, LEFT, RIGHT, TOP, BOTTOM, CAPTION,
// FONT, ALIGN and MULTILINE are required: a record that lacks one throws
// ComError E_POINTER, naming what is missing.
class QRT_EXPORT ControlInfoReader
{
public:
    enum class Result {
        Read,     // info holds the record
        NotXml,   // the text is not well-formed; errorText() says why
        NoRecord, // well-formed, but no CONTROLINFO element anywhere
    };

    // Reads text into info (left alone unless the result is Read).
    Result read(const QString &text, ControlInfo &info);
    // The parser's reason after NotXml.
    [[nodiscard]] const QString &errorText() const { return m_errorText; }

    // What atoi reads from text: leading blanks, a sign and digits; 0 for none.
    [[nodiscard]] static int atoi(const QString &text);

private:
    QString m_errorText;
};

#endif // QRT_FORMDEF_CONTROLINFOREADER_H
