#include "QrtFormRun.h"
#include "support/TestDatabase.h"

#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// qrt-form on a real X server (Xvfb), not on the offscreen platform: started
// as a user starts it, driven with real key presses and mouse clicks
// (xdotool, through the X server's test extension), and judged by what it
// left in the database.
namespace {

// The user, as a script on an X server of its own. Every wait in it is
// bounded, and bounded by the time scale of the run ($QRT_TIME_SCALE: the
// sanitizer build is slower), so a form that hangs fails the test instead of
// the run, and a wait that runs out says which one it was. The X server
// goes with the script. Page Down to the second customer, a note of two
// lines, Ctrl+S; then a new customer (Ctrl+N) with a German amount and a
// date with a two-digit year, as typed; Ctrl+Q saves and closes. Only
// letters of the server's keymap: xdotool types others by changing the
// keymap for a moment, which a busy client may miss. The points lie inside
// the stored layout's fields (Notiz, Name, Umsatz, KundeSeit), in form
// coordinates. No step waits for a time to pass: X delivers the clicks and
// keys to the form in the order they were made.
// clang-format off
const char *const kUser = R"sh(
scale=${QRT_TIME_SCALE:-1}
fail() { echo "qrt-form under X: $1 (time scale $scale)" >&2; exit 2; }
# -displayfd: the server picks a free display and writes its number once it
# accepts clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$QRT_DIR/display" 2>/dev/null &
trap "kill $!" EXIT
for i in $(seq $((150 * scale))); do
    [ -s "$QRT_DIR/display" ] && break
    sleep 0.1
done
[ -s "$QRT_DIR/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(cat "$QRT_DIR/display")
"$QRT_FORM" --db "$QRT_DB" &
form=$!
window=$(timeout $((30 * scale)) xdotool search --sync --onlyvisible --name '^Kunden$' | head -n 1)
[ -n "$window" ] || fail "the form's window did not appear"
# There is no window manager to give the form the keyboard focus.
for i in $(seq $((100 * scale))); do
    [ "$(xdotool getwindowfocus)" = "$window" ] && break
    xdotool windowfocus "$window"
    sleep 0.1
done
[ "$(xdotool getwindowfocus)" = "$window" ] || fail "the form did not get the keyboard focus"
click() { xdotool mousemove --window "$window" "$1" $(($2 + QRT_TOP)) click 1; }
xdotool key --delay 50 Next
click 320 388
xdotool type --delay 40 'Zeile eins'
xdotool key Return
xdotool type --delay 40 'Zeile zwei, Ende.'
xdotool key --delay 50 ctrl+s ctrl+n
click 220 88
xdotool type --delay 40 Neumeier
click 160 286
xdotool type --delay 40 1.234,56
click 500 36
xdotool type --delay 40 1.2.24
xdotool key --delay 50 Tab ctrl+q
timeout $((20 * scale)) tail --pid=$form -f /dev/null || { kill -9 $form; fail "the form did not close after Ctrl+Q"; }
wait $form
)sh";
// clang-format on

// The first row of the form below menu and tool bar, in the picture that
// qrt-form draws of the same form: where its fields start in the window.
int formTop(const QImage &picture)
{
    for (int y = 0; y < picture.height(); ++y) {
        if (picture.pixel(5, y) == qRgb(255, 255, 255))
            return y;
    }
    return -1;
}

} // namespace

TEST(QrtFormUnderX, KeysAndClicksOfAUserReachTheDatabase)
{
    for (const char *tool : {"Xvfb", "xdotool"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) {
            if (TestDatabase::isCi())
                FAIL() << tool << " is missing (scripts/install-deps.sh)";
            GTEST_SKIP() << tool << " is missing (scripts/install-deps.sh)";
        }
    }
    QTemporaryDir dir;
    const QString demo = QrtFormRun::makeDemoDatabase(dir.path());
    const QString picture = dir.filePath("kunden.png");
    ASSERT_EQ(QrtFormRun::form({"--db", demo, "--screenshot", picture}).exitCode, 0);
    const int top = formTop(QImage(picture));
    ASSERT_GT(top, 20) << "menu and tool bar above the form";
    const auto customers = [&demo](const char *columns, const char *where) {
        return QrtFormRun::query(demo, QStringLiteral("SELECT %1 FROM Kunden WHERE %2 ORDER BY ID")
                                           .arg(QLatin1String(columns), QLatin1String(where)));
    };
    const QString others = customers("*", "ID <> 2 AND ID <= 300");
    const QString before2 = customers("Name, Ort, Umsatz", "ID = 2");

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("QRT_FORM", QStringLiteral(QRT_FORM_BINARY));
    environment.insert("QRT_DB", demo);
    environment.insert("QRT_TOP", QString::number(top));
    environment.insert("QRT_DIR", dir.path());
    const QrtFormRun::ProgramRun run = QrtFormRun::run("bash", {"-c", QString::fromUtf8(kUser)},
                                                       environment, QrtFormRun::scaledMs(120000));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.trimmed(), "2") << "the key of the first record saved";

    // A new note takes SQLite's line breaks.
    EXPECT_EQ(customers("Notiz", "ID = 2"), "Zeile eins\nZeile zwei, Ende.");
    EXPECT_EQ(customers("Name, Ort, Umsatz", "ID = 2"), before2);
    EXPECT_EQ(customers("*", "ID <> 2 AND ID <= 300"), others) << "no other customer changed";
    EXPECT_EQ(customers("Name, Umsatz, KundeSeit, Aktiv", "ID > 300"),
              "Neumeier|1234.56|2024-02-01|1");
}
