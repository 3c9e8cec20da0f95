// qrt-filter: the filter dialog for one table, as a program of its own.
//
//   qrt-filter --db kunden.sqlite --table Kunden
//
// prints the condition the user composed (with its leading blank, ready to
// follow WHERE) and exits with 0; on "Abbrechen" it prints nothing and exits
// with 1; a command line or database it cannot use gives 2, and a run
// without a screen to ask on gives 3, each with the reason on standard
// error. --screenshot FILE draws the dialog into a PNG on the offscreen
// platform instead of waiting for a user.

#include "FilterOptions.h"
#include "common/ConsoleMessages.h"
#include "common/HostStartup.h"

#include "facade/CKeloFilter.h"

#include <QApplication>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

#include <optional>

namespace {

// What a script calling qrt-filter learns from the exit code.
enum ExitCode {
    Confirmed = 0, // the condition is on standard output
    Cancelled = 1,
    Unusable = 2, // command line, database or table
    NoScreen = 3, // nobody could answer the dialog
};

int fail(const QString &reason, ExitCode code = Unusable)
{
    QTextStream(stderr) << reason << Qt::endl;
    return code;
}

// Without a screen nobody can answer the dialog; a picture can still be drawn.
QString withPictureHint(const QString &reason)
{
    return reason + QStringLiteral(" Ohne Bildschirm kann nur ein Bild des Dialogs gezeichnet "
                                   "werden (--screenshot).");
}

// Draws the modal dialog into file once it is up, then closes it.
void screenshotWhenShown(const QString &file, bool *saved)
{
    QTimer::singleShot(0, [file, saved] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        *saved = dialog->grab().save(file, "PNG");
        dialog->close();
    });
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString error;
    const std::optional<FilterOptions> options = FilterOptions::parse(arguments, &error);
    if (!options)
        return fail(error);
    if (options->helpRequested) {
        QTextStream(stdout) << options->helpText;
        return 0;
    }
    const bool screenshot = !options->screenshot.isEmpty();
    QString reason;
    if (!HostStartup::chooseScreen(screenshot, &reason))
        return fail(withPictureHint(reason), NoScreen);

    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("qrt-filter"));
    HostStartup::speakGerman(app);

    // Nobody can answer a message box without a screen: the library's
    // messages go to standard error, and only a picture can be drawn. The
    // refusal comes before the database is opened, so such a run changes
    // nothing there.
    std::optional<ConsoleMessages> console;
    if (HostStartup::isHeadless()) {
        console.emplace();
        if (!screenshot)
            return fail(withPictureHint(HostStartup::whyNoWindow()), NoScreen);
    }

    CKeloFilter filter;
    if (!filter.Init(options->database, options->server, options->user, options->password,
                     options->table, options->kind))
        return fail(QStringLiteral("Der Filter für die Tabelle %1 konnte nicht eingerichtet "
                                   "werden.")
                        .arg(options->table));

    QString condition;
    if (screenshot) {
        bool saved = false;
        screenshotWhenShown(options->screenshot, &saved);
        filter.ShowFilterDlg(condition);
        if (!saved)
            return fail(QStringLiteral("Das Bild %1 konnte nicht gespeichert werden.")
                            .arg(options->screenshot));
        return Confirmed;
    }

    if (!filter.ShowFilterDlg(condition))
        return Cancelled;
    QTextStream(stdout) << condition << Qt::endl;
    return Confirmed;
}
