#ifndef QRT_FUZZ_FUZZSUPPORT_H
#define QRT_FUZZ_FUZZSUPPORT_H

#include <QString>
#include <QStringList>

class RecordingMessages;

#include <cstddef>
#include <cstdint>

// What every fuzz program shares: a QApplication on the offscreen platform
// (controls and fonts need one), messages that are recorded instead of shown,
// and ways to turn the fuzzer's bytes into the texts the readers get.
namespace fuzz {

// Once per program, from LLVMFuzzerInitialize: the application and the
// recording messages. Safe to call again.
void initialise(int *argc, char ***argv);

// Every message and question of the library lands here (questions get the
// safe answer); a harness clears it per input, or a million inputs pile up.
RecordingMessages &messages();

// The bytes as UTF-8 (invalid sequences become U+FFFD, as a file read would).
QString text(const uint8_t *data, size_t size);
// The bytes as UTF-16 code units, so that unpaired surrogates and every
// control character reach the reader too.
QString utf16(const uint8_t *data, size_t size);
// The text split at NUL bytes into at least count parts (missing ones empty).
QStringList parts(const QString &text, int count);

// Ends the program with a report when a property the reader promises does
// not hold; libFuzzer then keeps the input as a crash.
[[noreturn]] void fail(const char *what, const QString &detail);
inline void check(bool condition, const char *what, const QString &detail = QString())
{
    if (!condition)
        fail(what, detail);
}

// A fresh temporary folder for the program's databases; removed at exit.
// (Not the current folder: libFuzzer reads its corpus folders after the
// set-up, relative to where it was started.)
QString scratchFolder();

// Runs statements on a plain Qt SQL connection to file (not the library's
// component); aborts on a failing one.
void execOn(const QString &file, const QStringList &statements);

// A SQLite file in the scratch folder holding the table "alles" with a
// column of every category (texts of two sizes, whole and fractional
// numbers, dates, yes/no, binary and time of day, a required text) and
// three rows; returns the file's name.
QString databaseWithEveryCategory();
// The configuration document of a form on "alles" in that file, as the
// facade composes it; the key "id" gets its value automatically.
QString documentForEveryCategory();

} // namespace fuzz

#endif // QRT_FUZZ_FUZZSUPPORT_H
