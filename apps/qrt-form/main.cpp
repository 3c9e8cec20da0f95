// qrt-form: a table's form, as a program of its own. It is the library's
// host the way an application would be one: it composes the configuration
// through the form facade (CKeloForm) and shows the form modally (ShowForm),
// modelessly (OpenForm) or in design mode (DesignForm).
//
//   qrt-form --db build/demo/kunden.sqlite --table Kunden
//
// Before any window opens, the database, the login, the table, the stored
// form and the filter are checked, each failure with its own exit code and
// a German message on standard error (FormExit.h). Without a screen the
// program ends at once with exit code 3 instead of waiting for a user;
// --screenshot draws the form on the offscreen platform instead.

#include "FormExit.h"
#include "FormOptions.h"
#include "common/ConsoleMessages.h"
#include "common/HostStartup.h"

#include "facade/CKeloForm.h"

#include <QApplication>
#include <QTextStream>
#include <QWidget>

#include <optional>

namespace {

int fail(const QString &reason, FormExit code)
{
    QTextStream(stderr) << reason << Qt::endl;
    return int(code);
}

QString withPictureHint(const QString &reason)
{
    return reason + QStringLiteral(" Ohne Bildschirm kann nur ein Bild des Formulars gezeichnet "
                                   "werden (--screenshot DATEI).");
}

// A password with "&" or a filter with "<" must reach the form as typed.
QString xmlText(const QString &text)
{
    return CKeloForm::DocumentText(text);
}

CKeloForm::EntryPoint entryPoint(FormOptions::Mode mode)
{
    switch (mode) {
    case FormOptions::Mode::Modeless:
        return CKeloForm::EntryPoint::OpenForm;
    case FormOptions::Mode::Design:
        return CKeloForm::EntryPoint::DesignForm;
    case FormOptions::Mode::Modal:
        break;
    }
    return CKeloForm::EntryPoint::ShowForm;
}

// The check's answer as the program's exit code and message, with the
// option that helps where there is one.
int refused(const FormCheck &check, const FormOptions &options)
{
    switch (check.problem) {
    case FormCheck::Problem::LoginRefused:
        return fail(check.message, FormExit::LoginRefused);
    case FormCheck::Problem::NoTable:
        return fail(options.table.isEmpty()
                        ? check.message + QStringLiteral("\nDie Tabelle nennt --table.")
                        : check.message,
                    FormExit::NoTable);
    case FormCheck::Problem::NoStoredForm:
        return fail(check.message +
                        QStringLiteral("\nDie Entwurfsansicht öffnet qrt-form mit --design."),
                    FormExit::NoStoredForm);
    case FormCheck::Problem::QueryRefused:
        return fail(check.message, FormExit::QueryRefused);
    case FormCheck::Problem::NoDatabase:
    case FormCheck::Problem::None:
        break;
    }
    return fail(check.message, FormExit::NoDatabase);
}

// Runs the modeless form until the user has closed it.
void runModeless(CKeloForm &form, const QString &filter, QApplication &app)
{
    app.setQuitOnLastWindowClosed(false); // the form's message boxes are windows too
    form.OpenForm(xmlText(filter));
    QWidget *window = form.modelessWindow();
    if (!window)
        return;
    QObject::connect(window, &QObject::destroyed, &app, &QCoreApplication::quit);
    app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString error;
    const std::optional<FormOptions> options = FormOptions::parse(arguments, &error);
    if (!options)
        return fail(error, FormExit::CommandLine);
    if (options->helpRequested) {
        QTextStream(stdout) << options->helpText;
        return int(FormExit::Closed);
    }

    // Both a picture and a file of the records are made without a screen.
    const bool picture = !options->screenshot.isEmpty() || !options->exportFile.isEmpty() ||
                         !options->pdfFile.isEmpty();
    QString reason;
    if (!HostStartup::chooseScreen(picture, &reason))
        return fail(withPictureHint(reason), FormExit::NoScreen);
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("qrt-form"));
    HostStartup::speakGerman(app);

    // Nobody can answer a message box without a screen: the library's
    // messages go to standard error, and only a picture can be drawn. The
    // refusal comes before the database is opened, so such a run changes
    // nothing there.
    std::optional<ConsoleMessages> console;
    if (HostStartup::isHeadless()) {
        console.emplace();
        if (!picture)
            return fail(withPictureHint(HostStartup::whyNoWindow()), FormExit::NoScreen);
    }
    if (picture)
        QApplication::setCursorFlashTime(0); // a steady cursor: the same picture every time

    // Before any window: the database, the login, the table, the stored form
    // and the filter, each with its own exit code.
    const CKeloForm::EntryPoint entry = entryPoint(options->mode);
    CKeloForm form;
    const auto init = [&form, &options](const QString &table) {
        form.Init(xmlText(options->database), xmlText(options->server), xmlText(options->user),
                  xmlText(options->password), xmlText(table), options->kind);
    };
    init(options->table);
    form.SetDatasheetView(options->datasheet);
    const FormCheck checked = form.Check(entry, xmlText(options->filter), xmlText(options->sort));
    if (!checked.ok())
        return refused(checked, *options);
    init(checked.table);

    const QString notBuilt =
        QStringLiteral("Das Formular für die Tabelle „%1“ konnte nicht aufgebaut werden.")
            .arg(checked.table);
    // A file of the records: the export or the PDF.
    const auto wrote = [&](CKeloForm::Export result, const QString &why) {
        switch (result) {
        case CKeloForm::Export::Written:
            return int(FormExit::Closed);
        case CKeloForm::Export::FormNotBuilt:
            return fail(notBuilt, FormExit::FormNotBuilt);
        case CKeloForm::Export::NotWritten:
            break;
        }
        return fail(why, FormExit::ExportNotWritten);
    };
    QString why;
    if (!options->exportFile.isEmpty())
        return wrote(form.ExportRecords(options->exportFile, options->exportForPrograms,
                                        xmlText(options->filter), xmlText(options->sort), &why),
                     why);
    if (!options->pdfFile.isEmpty())
        return wrote(form.WritePdf(options->pdfFile, options->pdfContent, xmlText(options->filter),
                                   xmlText(options->sort), &why),
                     why);
    if (picture) {
        switch (form.SavePicture(options->screenshot, entry, xmlText(options->filter),
                                 xmlText(options->sort), options->newRecord)) {
        case CKeloForm::Picture::Saved:
            return int(FormExit::Closed);
        case CKeloForm::Picture::FormNotBuilt:
            return fail(notBuilt, FormExit::FormNotBuilt);
        case CKeloForm::Picture::NotSaved:
            break;
        }
        return fail(QStringLiteral("Das Bild „%1“ konnte nicht gespeichert werden.")
                        .arg(options->screenshot),
                    FormExit::PictureNotSaved);
    }

    long firstSavedKey = -1;
    switch (options->mode) {
    case FormOptions::Mode::Modal:
        firstSavedKey =
            form.ShowForm(xmlText(options->filter), xmlText(options->sort), options->newRecord);
        break;
    case FormOptions::Mode::Modeless:
        runModeless(form, options->filter, app);
        break;
    case FormOptions::Mode::Design:
        form.DesignForm();
        break;
    }
    if (!form.lastFormBuilt())
        return fail(notBuilt, FormExit::FormNotBuilt);
    if (firstSavedKey >= 0)
        QTextStream(stdout) << firstSavedKey << Qt::endl;
    return int(FormExit::Closed);
}
