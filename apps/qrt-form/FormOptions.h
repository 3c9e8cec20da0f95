#ifndef QRT_APPS_QRTFORM_FORMOPTIONS_H
#define QRT_APPS_QRTFORM_FORMOPTIONS_H

#include "facade/CKeloForm.h"
#include "facade/KeloTypes.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks of qrt-form: the database, the table whose
// form is shown, how it is shown (modal data mode, modeless, design mode),
// the records' filter and sort, and whether to draw the form into a picture
// instead of waiting for a user.
struct FormOptions
{
    enum class Mode {
        Modal,    // ShowForm: filter, sort, new record; prints the first saved key
        Modeless, // OpenForm: filter only
        Design    // DesignForm: neither
    };

    QString database; // the file for SQLite and Access, the database's name on a server
    ns_qrttypen::KELODBTyp kind = ns_qrttypen::KELO_SQLITE;
    QString server; // host or host:port
    QString user;
    QString password;
    QString table;  // empty: the database's first stored form
    QString filter; // SQL condition without WHERE
    QString sort;   // SQL ordering without ORDER BY
    bool newRecord = false;
    bool datasheet = false; // the datasheet view first
    Mode mode = Mode::Modal;
    QString screenshot;             // PNG file; empty for an interactive run
    QString exportFile;             // CSV file of every record; empty for none
    bool exportForPrograms = false; // "," and "." instead of ";" and ","
    QString pdfFile;                // PDF file of the records; empty for none
    CKeloForm::PdfContent pdfContent = CKeloForm::PdfContent::CurrentRecord;

    bool helpRequested = false;
    QString helpText;

    // Whether the kind keeps its database on a server (user, password and
    // server mean something only there).
    [[nodiscard]] bool isServerKind() const;

    // Read before there is an application, so that a wrong command line is
    // reported even where no window could open. Nothing, and a German reason
    // in *error, for a command line that names no database, names an unknown
    // kind, holds an unknown option or a missing value, or combines options
    // that exclude each other (design mode shows no records, so it takes no
    // filter, sort or new record; a modeless form takes a filter only).
    static std::optional<FormOptions> parse(const QStringList &arguments, QString *error);
};

#endif // QRT_APPS_QRTFORM_FORMOPTIONS_H
