#ifndef QRT_PLATFORM_TEXTLENGTH_H
#define QRT_PLATFORM_TEXTLENGTH_H

#include "qrt_export.h"

#include <QString>

// Lengths of texts as users and databases count them. QString counts UTF-16
// units, so a letter beyond the basic plane (an emoji, a rare CJK sign) is
// two of them, whereas a VARCHAR(5) of PostgreSQL or SQLite holds five such
// letters, and a user who typed one sees one. Limits that the database sets
// or a message names ("höchstens 60 Zeichen") are counted here; cutting
// here never leaves half of such a letter behind.
namespace TextLength {

// The number of characters: a surrogate pair counts once, anything else
// (an unpaired surrogate too) once per unit.
[[nodiscard]] QRT_EXPORT qsizetype characters(const QString &text);

// The first count characters of text; all of it when it has no more.
[[nodiscard]] QRT_EXPORT QString left(const QString &text, qsizetype count);

// The UTF-16 units that the first count characters take, up to the end.
[[nodiscard]] QRT_EXPORT qsizetype unitsOf(const QString &text, qsizetype count);

} // namespace TextLength

#endif // QRT_PLATFORM_TEXTLENGTH_H
