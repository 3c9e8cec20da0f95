#include "QrtFormRun.h"
#include "support/TestDatabase.h"

#include <QDeadlineTimer>
#include <QImage>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

// qrt-form on a real X server (Xvfb), not on the offscreen platform: started
// as a user starts it, driven with real key presses and mouse clicks
// (xdotool, through the X server's test extension), and judged by what it
// left in the database. Every wait is bounded, so a form that hangs fails
// the test instead of the run.
namespace {

using QrtFormRun::ProgramRun;

// A private X server on a free display, for as long as the object lives.
class XServer
{
public:
    XServer()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) {
            m_failure = QStringLiteral("Xvfb is not installed (scripts/install-deps.sh)");
            return;
        }
        // -displayfd: the server picks a free display and writes its number
        // to standard output once it accepts clients.
        m_process.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                               QStringLiteral("-screen"), QStringLiteral("0"),
                               QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                               QStringLiteral("tcp")});
        QByteArray number;
        const QDeadlineTimer deadline(15000);
        while (!number.contains('\n') && !deadline.hasExpired() &&
               m_process.state() != QProcess::NotRunning) {
            m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
            number += m_process.readAllStandardOutput();
        }
        if (!number.contains('\n')) {
            m_failure = QStringLiteral("Xvfb did not start: ") +
                        QString::fromLocal8Bit(m_process.readAllStandardError());
            return;
        }
        m_display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    }
    ~XServer()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }

    [[nodiscard]] bool isRunning() const { return !m_display.isEmpty(); }
    [[nodiscard]] const QString &failure() const { return m_failure; }

    // The environment of a program on this display, on Qt's X platform.
    [[nodiscard]] QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), m_display);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        return environment;
    }

    // Runs xdotool on this display; its standard output.
    QString xdotool(const QStringList &arguments, bool *ok = nullptr) const
    {
        const ProgramRun run =
            QrtFormRun::run(QStringLiteral("xdotool"), arguments, environment(), 10000);
        if (ok)
            *ok = run.exitCode == 0;
        return run.out.trimmed();
    }

    // The id of the window of that title, once it is there (empty after
    // timeoutMs).
    QString waitForWindow(const QString &title, int timeoutMs) const
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            const QString found =
                xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                         QStringLiteral("--name"), QStringLiteral("^%1$").arg(title)});
            if (!found.isEmpty())
                return found.section(QLatin1Char('\n'), 0, 0);
            QThread::msleep(200);
        }
        return QString();
    }

private:
    QProcess m_process;
    QString m_display;
    QString m_failure;
};

// qrt-form on the X server while the object lives; killed if it outlives the test.
class FormOnScreen
{
public:
    FormOnScreen(const XServer &x, const QStringList &arguments) : m_x(x)
    {
        m_process.setProcessEnvironment(x.environment());
        m_process.start(QStringLiteral(QRT_FORM_BINARY), arguments);
    }
    ~FormOnScreen()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // The form's window, once it is shown and has the keyboard focus (there
    // is no window manager to give it).
    QString window(const QString &title)
    {
        const QString id = m_x.waitForWindow(title, 30000);
        if (id.isEmpty()) {
            const QStringList windows = m_x.xdotool({QStringLiteral("search"),
                                                     QStringLiteral("--name"), QStringLiteral(".")})
                                            .split(QLatin1Char('\n'));
            QStringList titles;
            for (const QString &window : windows)
                titles << m_x.xdotool({QStringLiteral("getwindowname"), window});
            // Without an event loop the process learns of its child's end and
            // reads its output only while it waits for it.
            m_process.waitForFinished(1000);
            ADD_FAILURE() << "no window " << title.toStdString() << " (state "
                          << int(m_process.state())
                          << ", windows: " << titles.join(QStringLiteral(", ")).toStdString()
                          << ", exit status " << int(m_process.exitStatus()) << ", exit code "
                          << m_process.exitCode() << ", error " << int(m_process.error()) << "): "
                          << QString::fromUtf8(m_process.readAllStandardError()).toStdString()
                          << QString::fromUtf8(m_process.readAllStandardOutput()).toStdString();
            return id;
        }
        const QDeadlineTimer deadline(10000);
        while (m_x.xdotool({QStringLiteral("getwindowfocus")}) != id) {
            if (deadline.hasExpired()) {
                ADD_FAILURE() << "the form never got the keyboard focus";
                return QString();
            }
            m_x.xdotool({QStringLiteral("windowfocus"), id});
            QThread::msleep(100);
        }
        return id;
    }

    // Waits for the program to end by itself.
    ProgramRun finished(int timeoutMs = 20000)
    {
        ProgramRun run;
        if (!m_process.waitForFinished(timeoutMs)) {
            ADD_FAILURE() << "qrt-form did not close; windows on the screen: "
                          << m_x.xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                          QStringLiteral("--name"), QStringLiteral(".")})
                                 .toStdString();
            return run;
        }
        run.exitCode = m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
        run.out = QString::fromUtf8(m_process.readAllStandardOutput());
        run.err = QString::fromUtf8(m_process.readAllStandardError());
        return run;
    }

private:
    const XServer &m_x;
    QProcess m_process;
};

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

QString rowsBut(const QString &file, int exceptId)
{
    QString text;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("rowsBut"));
        db.setDatabaseName(file);
        EXPECT_TRUE(db.open());
        QSqlQuery query(db);
        EXPECT_TRUE(query.exec(
            QStringLiteral("SELECT * FROM Kunden WHERE ID <> %1 AND ID <= 300 ORDER BY ID")
                .arg(exceptId)));
        while (query.next()) {
            for (int i = 0; i < 17; ++i)
                text += query.value(i).toString() + QLatin1Char('|');
            text += QLatin1Char('\n');
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("rowsBut"));
    return text;
}

QString scalar(const QString &file, const QString &sql)
{
    QString value;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("scalar"));
        db.setDatabaseName(file);
        EXPECT_TRUE(db.open());
        QSqlQuery query(db);
        EXPECT_TRUE(query.exec(sql)) << sql.toStdString();
        if (query.next())
            value = query.value(0).toString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("scalar"));
    return value;
}

} // namespace

TEST(QrtFormUnderX, KeysAndClicksOfAUserReachTheDatabase)
{
    const XServer x;
    if (!x.isRunning()) {
        if (TestDatabase::isCi())
            FAIL() << x.failure().toStdString();
        GTEST_SKIP() << x.failure().toStdString();
    }
    bool xdotoolWorks = false;
    x.xdotool({QStringLiteral("getmouselocation")}, &xdotoolWorks);
    ASSERT_TRUE(xdotoolWorks) << "xdotool is missing (scripts/install-deps.sh)";

    QTemporaryDir dir;
    const QString demo = QrtFormRun::makeDemoDatabase(dir.path());
    const QString picture = dir.filePath(QStringLiteral("kunden.png"));
    ASSERT_EQ(
        QrtFormRun::form({QStringLiteral("--db"), demo, QStringLiteral("--screenshot"), picture})
            .exitCode,
        0);
    const int top = formTop(QImage(picture));
    ASSERT_GT(top, 20) << "menu and tool bar above the form";
    // Points inside the stored layout's fields (form coordinates).
    const QPoint notiz(320, 388);
    const QPoint name(220, 88);
    const QPoint umsatz(160, 286);
    const QPoint kundeSeit(500, 36);
    const auto click = [&x, top](const QString &window, const QPoint &at) {
        x.xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                   QString::number(at.x()), QString::number(at.y() + top), QStringLiteral("click"),
                   QStringLiteral("1")});
    };
    const auto keys = [&x](const QStringList &names) {
        x.xdotool(
            QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("50")} +
            names);
    };
    const auto type = [&x](const QString &text) {
        x.xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text});
    };
    const QString others = rowsBut(demo, 2);
    const QString before2 = scalar(demo, QStringLiteral("SELECT Name || Ort || Umsatz FROM "
                                                        "Kunden WHERE ID = 2"));
    {
        // Page Down to the second customer, a note of two lines, Ctrl+S;
        // then a new customer (Ctrl+N) with a German amount and a date with
        // a two-digit year, as typed; Ctrl+Q saves and closes.
        FormOnScreen form(x, {QStringLiteral("--db"), demo});
        const QString window = form.window(QStringLiteral("Kunden"));
        ASSERT_FALSE(window.isEmpty());
        keys({QStringLiteral("Next")});
        click(window, notiz);
        type(QStringLiteral("Zeile eins"));
        keys({QStringLiteral("Return")});
        // Only letters of the server's keymap: xdotool types others by
        // changing the keymap for a moment, which a busy client may miss.
        type(QStringLiteral("Zeile zwei, Ende."));
        keys({QStringLiteral("ctrl+s"), QStringLiteral("ctrl+n")});
        click(window, name);
        type(QStringLiteral("Neumeier"));
        click(window, umsatz);
        type(QStringLiteral("1.234,56"));
        click(window, kundeSeit);
        type(QStringLiteral("1.2.24"));
        keys({QStringLiteral("Tab"), QStringLiteral("ctrl+q")});
        const ProgramRun run = form.finished();
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out.trimmed(), QStringLiteral("2")) << "the key of the first record saved";
    }
    // A new note takes SQLite's line breaks.
    EXPECT_EQ(scalar(demo, QStringLiteral("SELECT Notiz FROM Kunden WHERE ID = 2")),
              QStringLiteral("Zeile eins\nZeile zwei, Ende."));
    EXPECT_EQ(scalar(demo, QStringLiteral("SELECT Name || Ort || Umsatz FROM Kunden WHERE ID = "
                                          "2")),
              before2);
    EXPECT_EQ(rowsBut(demo, 2), others) << "no other customer changed";
    EXPECT_EQ(scalar(demo, QStringLiteral("SELECT Name || '|' || Umsatz || '|' || KundeSeit || "
                                          "'|' || Aktiv FROM Kunden WHERE ID = 301")),
              QStringLiteral("Neumeier|1234.56|2024-02-01|1"));
}
