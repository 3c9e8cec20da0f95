// kundenverwaltung: a small host of the qrt library. It shows the forms of a
// SQLite database inside its own main window:
//
//     kundenverwaltung DATEI.sqlite [TABELLE …]
//
// The tables are those of the chooser (the demo database's forms without
// any). With --speichern FELD=WERT it runs without a user: it writes WERT
// into FELD of the first record of the first table, saves, prints the key
// of the saved record and ends; every question is answered Yes by the
// library's message double, and every message is printed.

#include "HostWindow.h"

#include <qrt/platform/RecordingMessages.h>

#include <QApplication>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QTranslator>

#include <cstdio>

namespace {

int scriptedSave(HostWindow &window, const QString &assignment)
{
    const QString field = assignment.section(QLatin1Char('='), 0, 0);
    const QString value = assignment.section(QLatin1Char('='), 1);
    // [headless]
    RecordingMessages messages; // answers the questions, records the messages
    ScopedUserMessages installed(messages);
    messages.answer(UserMessages::Answer::Yes);

    qint64 savedKey = -1;
    QObject::connect(window.form(), &CKeloFormWidget::recordSaved,
                     [&savedKey](qint64 key) { savedKey = key; });
    // Every field is a widget named after its column.
    auto *edit = window.form()->findChild<QLineEdit *>(field);
    if (edit) {
        edit->setText(value);
        window.form()->save();
    }
    // [headless]
    for (const QString &text : messages.texts())
        std::fprintf(stderr, "%s\n", qPrintable(text));
    if (!edit) {
        std::fprintf(stderr, "Kein Eingabefeld %s im Formular.\n", qPrintable(field));
        return 1;
    }
    if (savedKey == -1)
        return 1;
    std::printf("gespeichert: %lld\n", static_cast<long long>(savedKey));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Qt's own buttons and calendars in German too.
    QTranslator qtGerman;
    if (qtGerman.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtGerman);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

    QStringList arguments = QApplication::arguments().mid(1);
    QString assignment;
    const qsizetype script = arguments.indexOf(QStringLiteral("--speichern"));
    if (script >= 0 && script + 1 < arguments.size()) {
        assignment = arguments.at(script + 1);
        arguments.remove(script, 2);
    }
    if (arguments.isEmpty()) {
        std::fprintf(stderr, "Aufruf: kundenverwaltung DATEI.sqlite [TABELLE …] "
                             "[--speichern FELD=WERT]\n");
        return 2;
    }
    const QString database = arguments.takeFirst();
    if (arguments.isEmpty())
        arguments = QStringList{QStringLiteral("Kunden"), QStringLiteral("Artikel")};

    HostWindow window(database, arguments);
    if (!assignment.isEmpty()) {
        RecordingMessages opening;
        ScopedUserMessages installed(opening);
        if (!window.showTable(arguments.first())) {
            for (const QString &text : opening.texts())
                std::fprintf(stderr, "%s\n", qPrintable(text));
            return 1;
        }
        return scriptedSave(window, assignment);
    }
    window.showTable(arguments.first());
    window.show();
    return QApplication::exec();
}
