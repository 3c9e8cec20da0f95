#ifndef QRT_DIALOGS_DATAEXCHANGE_H
#define QRT_DIALOGS_DATAEXCHANGE_H

#include "qrt_export.h"

#include <QString>

#include <optional>

class QLineEdit;
class QWidget;

// Moving a dialog's values out of its fields, with the checks the design
// dialogs have always made: whole numbers within a range, texts up to a
// length. A value that fails is not taken: the user is told what the field
// needs (in the words the platform's dialogs use), the field gets the focus
// with its text selected, and the dialog stays open.
namespace DataExchange {

// The most characters of a form's or a control's title: the definition
// tables hold no more.
inline constexpr int kMaxTitleLength = 50;

// The number text reads as: an optional sign and digits, blanks around
// them allowed; none for anything else, or one that does not fit an int.
[[nodiscard]] QRT_AUTOTEST_EXPORT std::optional<int> parseInt(const QString &text);

// The messages for a field that fails.
[[nodiscard]] QRT_AUTOTEST_EXPORT QString integerMessage();
[[nodiscard]] QRT_AUTOTEST_EXPORT QString rangeMessage(int minimum, int maximum);
[[nodiscard]] QRT_AUTOTEST_EXPORT QString lengthMessage(int maximum);
[[nodiscard]] QRT_AUTOTEST_EXPORT QString controlCharacterMessage();

// Takes the field's number into value when it is one between minimum and
// maximum; otherwise tells the user and leaves value as it was.
QRT_AUTOTEST_EXPORT bool takeInt(QLineEdit *field, int minimum, int maximum, int &value);
// Any whole number.
QRT_AUTOTEST_EXPORT bool takeInt(QLineEdit *field, int &value);
// The field's text, when it has no more than maximum characters and no
// control character other than line breaks and tabs.
QRT_AUTOTEST_EXPORT bool takeText(QLineEdit *field, int maximum, QString &value);

// A field for whole numbers: typing takes a sign and digits only.
QRT_AUTOTEST_EXPORT QLineEdit *numberField(QWidget *parent);

} // namespace DataExchange

#endif // QRT_DIALOGS_DATAEXCHANGE_H
