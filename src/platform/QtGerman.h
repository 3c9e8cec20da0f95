#ifndef QRT_PLATFORM_QTGERMAN_H
#define QRT_PLATFORM_QTGERMAN_H

#include "qrt_export.h"

// Qt's own texts inside the library's windows in German: the standard
// buttons ("Abbrechen"), the context menus of line edits and spin boxes
// ("&Rückgängig"), the calendar's tool tips. They come from Qt's translation
// qtbase_de (Debian: qt6-translations-l10n), which the library installs on
// the application once, when its first form or dialog is shown.
//
// It never replaces the host's choice: when the application already
// translates Qt's texts (the host installed qtbase_de, or a translation into
// any other language), nothing is installed; a translator the host installs
// later is asked first, as Qt asks the newest one first. A missing
// translation file costs nothing but the English texts.
namespace qrt {

// Installs qtbase_de unless switched off or the application already has a
// translation of Qt's texts. Idempotent; nothing without an application
// object. True when the library's translator is installed afterwards.
QRT_EXPORT bool ensureQtGerman();

// Whether the library loads qtbase_de (true unless a host says otherwise).
// Switching it off also takes back the translator the library installed.
QRT_EXPORT void setQtGermanEnabled(bool enabled);
[[nodiscard]] QRT_EXPORT bool isQtGermanEnabled();

} // namespace qrt

#endif // QRT_PLATFORM_QTGERMAN_H
