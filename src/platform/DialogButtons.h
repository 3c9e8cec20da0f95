#ifndef QRT_PLATFORM_DIALOGBUTTONS_H
#define QRT_PLATFORM_DIALOGBUTTONS_H

#include "qrt_export.h"

#include <QLatin1String>
#include <QVariant>

#include <initializer_list>

class DialogUnits;
class QDialog;
class QPushButton;

namespace qrt {

// Gives a dialog's item the object name that tests and screen readers find
// it by, and the item id its dialog template numbers it with.
template <typename Widget> Widget *named(Widget *widget, const char *name, int id)
{
    widget->setObjectName(QLatin1String(name));
    widget->setProperty("controlId", id);
    return widget;
}

// A button is at least 50 dialog units wide, and wider where its text
// needs it (large fonts, longer translations).
QRT_EXPORT void setButtonWidth(const DialogUnits &units,
                               std::initializer_list<QPushButton *> buttons);

// The "OK" and "Abbrechen" of a dialog, made in that order (their place in
// the tab order is where the caller makes them): OK is the default button
// and calls the dialog's accept(), which a dialog overrides to check its
// entries; Abbrechen rejects. The caller lays them out.
struct OkCancelButtons
{
    QPushButton *ok = nullptr;
    QPushButton *cancel = nullptr;
};
QRT_EXPORT OkCancelButtons makeOkCancelButtons(QDialog *dialog, const DialogUnits &units);

} // namespace qrt

#endif // QRT_PLATFORM_DIALOGBUTTONS_H
