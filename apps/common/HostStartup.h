#ifndef QRT_APPS_COMMON_HOSTSTARTUP_H
#define QRT_APPS_COMMON_HOSTSTARTUP_H

#include <QString>

class QCoreApplication;

// What every host program of the library does around making its
// QApplication, so that none of them aborts or waits for ever where there is
// no screen, and all of them speak German.
//
//     if (!HostStartup::chooseScreen(pictureOnly, &reason)) return fail(reason);
//     QApplication app(argc, argv);
//     HostStartup::speakGerman(app);
//     if (!pictureOnly && !HostStartup::whyNoWindow().isEmpty()) ...
namespace HostStartup {

// Before the QApplication exists. A picture is drawn on the offscreen
// platform; a window needs a display. Without one: false and the German
// reason. With one, the platform list ends in "offscreen", so that a display
// that is named but cannot be reached starts the offscreen platform (and
// whyNoWindow() says so) instead of aborting the program without a word.
// Qt's notes that concern nobody running the program (that display's
// failure, a runtime folder Qt chose itself) are kept off standard error.
bool chooseScreen(bool pictureOnly, QString *reason);

// Once the QApplication exists: empty when windows can be shown, otherwise
// why not (the display cannot be reached, or the platform draws into memory
// only, where a window or message box would wait for a user who can never
// answer it).
QString whyNoWindow();

// Whether the platform draws into memory only (offscreen, minimal).
bool isHeadless();

// Qt's own texts (buttons, calendar, context menus) in German and the German
// locale for dates and numbers; the translator belongs to app.
void speakGerman(QCoreApplication &app);

} // namespace HostStartup

#endif // QRT_APPS_COMMON_HOSTSTARTUP_H
