#ifndef QRT_APPS_QRTFORM_FORMEXIT_H
#define QRT_APPS_QRTFORM_FORMEXIT_H

// What a script calling qrt-form learns from the exit code: one code for
// each reason the form could not be shown, always with a German message on
// standard error. --help lists them.
enum class FormExit : int {
    Closed = 0,           // the form was shown and closed (or its picture drawn)
    CommandLine = 2,      // unknown option, missing value, options that exclude each other
    NoScreen = 3,         // no display to show the form on (--screenshot draws without one)
    NoDatabase = 4,       // the database cannot be opened: no such file, server or database
    LoginRefused = 5,     // the server refused user or password
    NoTable = 6,          // the table does not exist (or none was named and none has a form)
    NoStoredForm = 7,     // data mode, and the table has no stored form yet (see --design)
    QueryRefused = 8,     // the database refused the filter or the sort
    FormNotBuilt = 9,     // the form could not be built for another reason (said by the form)
    PictureNotSaved = 10, // the picture could not be written
    ExportNotWritten = 11 // the CSV or PDF file could not be written
};

#endif // QRT_APPS_QRTFORM_FORMEXIT_H
