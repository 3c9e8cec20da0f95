// qrt-filter: the filter dialog for one table, as a program of its own.
//
//   qrt-filter --db kunden.sqlite --table Kunden
//
// prints the condition the user composed (with its leading blank, ready to
// follow WHERE) and exits with 0; on "Abbrechen" it prints nothing and exits
// with 1; a command line or database it cannot use gives 2 and the reason on
// standard error. --screenshot FILE draws the dialog into a PNG on the
// offscreen platform instead of waiting for a user.

#include "ConsoleMessages.h"
#include "FilterOptions.h"

#include "facade/CKeloFilter.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTextStream>
#include <QTimer>
#include <QTranslator>
#include <QWidget>

#include <memory>

namespace {

int fail(const QString &reason)
{
    QTextStream(stderr) << reason << Qt::endl;
    return 2;
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

// Whether a window can open at all; Qt would abort without a word of German.
bool hasDisplay()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    return true;
#endif
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
    if (!options->screenshot.isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    else if (!hasDisplay())
        return fail(QStringLiteral("Es ist kein Bildschirm verfügbar. Ohne Bildschirm kann nur "
                                   "ein Bild des Dialogs gezeichnet werden (--screenshot)."));

    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("qrt-filter"));

    // German everywhere, Qt's own texts and the calendar included.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QTranslator qtTranslations;
    if (qtTranslations.load(QStringLiteral("qtbase_de"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslations);

    // Nobody can answer a message box on the offscreen platform.
    std::unique_ptr<ConsoleMessages> console;
    if (!options->screenshot.isEmpty())
        console = std::make_unique<ConsoleMessages>();

    CKeloFilter filter;
    if (!filter.Init(options->database, options->server, options->user, options->password,
                     options->table, options->kind))
        return fail(QStringLiteral("Der Filter für die Tabelle %1 konnte nicht eingerichtet "
                                   "werden.")
                        .arg(options->table));

    QString condition;
    if (!options->screenshot.isEmpty()) {
        bool saved = false;
        screenshotWhenShown(options->screenshot, &saved);
        filter.ShowFilterDlg(condition);
        if (!saved)
            return fail(QStringLiteral("Das Bild %1 konnte nicht gespeichert werden.")
                            .arg(options->screenshot));
        return 0;
    }

    if (!filter.ShowFilterDlg(condition))
        return 1;
    QTextStream(stdout) << condition << Qt::endl;
    return 0;
}
