#ifndef QRT_TESTS_PICTURES_H
#define QRT_TESTS_PICTURES_H

#include "support/ChildProcess.h"

#include <QImage>
#include <QStringList>

class QWidget;

// Pictures of forms and dialogs as a user sees them: saved for a person to
// look at (in QRT_SCREENSHOT_DIR, else the temporary folder), and checked
// for what a picture shows without a person: that a window lies on its
// screen with every text whole and every label and button has its letter.
namespace Pictures {

// Where a picture of that name is saved.
QString path(const QString &name);
// Saves image as name; false when it could not be written.
bool save(const QImage &image, const QString &name);

// Shows window at its preferred and then at its smallest size and saves the
// first as name; what lies off the screen, is cut off or lacks a mnemonic,
// one line each.
QStringList checkWindow(QWidget *window, const QString &name);

// Scaling is chosen when a program starts: runs the child action in a copy
// of the test program on a 1280x800 screen at 200 % (640x400 logical pixels).
ChildProcess::Result runAt200Percent(const char *action, const QStringList &arguments = {});
// In such a child: empty on that screen, else what the screen is.
QString screenProblem();
// The child's end: prints the problems, one a line; 0 when there are none.
int report(const QStringList &problems);

} // namespace Pictures

#endif // QRT_TESTS_PICTURES_H
