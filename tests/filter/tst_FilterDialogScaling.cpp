#include "FilterTestSupport.h"

#include "controls/CComboBoxExt.h"
#include "filter/CFilterDlg.h"
#include "filter/CInhaltDlg.h"
#include "filter/CSqlFilterDlg.h"
#include "platform/RecordingMessages.h"
#include "support/ChildProcess.h"
#include "support/DialogChecks.h"

#include <QDir>
#include <QImage>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

// The filter dialogs on a 1280x800 screen at 200 % scaling: a screen of
// 640x400 logical pixels, on which the dialogs' template sizes in a larger
// font no longer fit. Scaling is chosen when a program starts, so the
// dialogs run in a child copy of this test program.
namespace {

// Shows window, checks that it lies on the screen with every text whole,
// and draws it into file. Returns what is wrong, one line each.
QStringList showAndCheck(QWidget *window, const QString &file)
{
    QStringList problems;
    window->show();
    QApplication::processEvents();
    const QRect available = window->screen()->availableGeometry();
    if (!available.contains(window->frameGeometry()))
        problems << QStringLiteral("%1 liegt nicht auf dem Bildschirm: %2x%3 auf %4x%5")
                        .arg(window->windowTitle())
                        .arg(window->frameGeometry().width())
                        .arg(window->frameGeometry().height())
                        .arg(available.width())
                        .arg(available.height());
    for (const QString &clipped : clippedTexts(window))
        problems << window->windowTitle() + QStringLiteral(": abgeschnitten: ") + clipped;
    if (!window->grab().save(file, "PNG"))
        problems << QStringLiteral("%1 nicht gespeichert").arg(file);
    return problems;
}

// The dialog at its smallest, where nothing may be cut off either.
QStringList shrinkAndCheck(QWidget *window, const QString &file)
{
    window->resize(window->minimumSize());
    return showAndCheck(window, file);
}

QRT_CHILD_ACTION(filterDialogsAt200Percent, [](const QStringList &args) {
    const QString database = args.at(0);
    const QDir pictures(args.at(1));
    QTextStream out(stdout);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen->availableGeometry().size() != QSize(640, 400) ||
        screen->devicePixelRatio() != 2.0) {
        out << "kein 1280x800-Bildschirm bei 200 %: " << screen->availableGeometry().width() << "x"
            << screen->availableGeometry().height() << " dpr " << screen->devicePixelRatio()
            << Qt::endl;
        return 3;
    }
    RecordingMessages messages;
    ScopedUserMessages installed(messages);
    CFilterMgr store;
    const QString document =
        QStringLiteral("<ADOBUILDER DESIGNMODUS='false'><FORMULARNAME>kunden</FORMULARNAME>"
                       "<DBNAME>") +
        database +
        QStringLiteral("</DBNAME><SERVERNAME></SERVERNAME><USERID></USERID><PASSWORT>"
                       "</PASSWORT><TABELLENNAME>kunden</TABELLENNAME><DBTYP>SQLITE</DBTYP>"
                       "<FILTER></FILTER><SORT></SORT></ADOBUILDER>");
    if (!store.LoadConfig(document)) {
        out << "LoadConfig: " << messages.texts().join(QLatin1Char('\n')) << Qt::endl;
        return 4;
    }
    store.AddCriterion(store.FindColumn(QStringLiteral("name")), FilterCondition::Contains,
                       QStringLiteral("Meier"), QDate());
    store.AddCriterion(store.FindColumn(QStringLiteral("seit")), FilterCondition::Greater,
                       QString(), QDate(2020, 5, 17));

    QStringList problems;
    {
        CFilterDlg dialog(&store);
        auto *column = dialog.findChild<CComboBoxExt *>(QStringLiteral("column"));
        column->setCurrentIndex(column->findText(QStringLiteral("lieferadresse_ort")));
        problems << showAndCheck(&dialog, pictures.filePath(QStringLiteral("filter-200.png")));
        column->setCurrentIndex(column->findText(QStringLiteral("seit")));
        problems << shrinkAndCheck(&dialog,
                                   pictures.filePath(QStringLiteral("filter-200-min.png")));
    }
    {
        const QStringList values = {QStringLiteral("Brien"), QStringLiteral("Meier")};
        CInhaltDlg picker;
        picker.setValues(&values);
        problems << showAndCheck(&picker, pictures.filePath(QStringLiteral("picker-200.png")));
        problems << shrinkAndCheck(&picker,
                                   pictures.filePath(QStringLiteral("picker-200-min.png")));
    }
    {
        CSqlFilterDlg statement;
        statement.setStatement(store.GetSelectStatement());
        problems << showAndCheck(&statement, pictures.filePath(QStringLiteral("sql-200.png")));
        problems << shrinkAndCheck(&statement,
                                   pictures.filePath(QStringLiteral("sql-200-min.png")));
    }
    for (const QString &problem : std::as_const(problems))
        out << problem << Qt::endl;
    return problems.isEmpty() ? 0 : 1;
});

// Sets environment variables for the children started while it lives.
class ChildEnvironment
{
public:
    void set(const char *name, const QByteArray &value)
    {
        m_saved.append({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
        qputenv(name, value);
    }
    ~ChildEnvironment()
    {
        for (auto it = m_saved.crbegin(); it != m_saved.crend(); ++it) {
            if (it->wasSet)
                qputenv(it->name, it->value);
            else
                qunsetenv(it->name);
        }
    }

private:
    struct Saved
    {
        const char *name;
        QByteArray value;
        bool wasSet;
    };
    QVector<Saved> m_saved;
};

} // namespace

TEST(FilterDialogScaling, At200PercentOnA1280x800ScreenEveryTextIsWhole)
{
    TestDatabase db(DatabaseKind::Sqlite);
    QRT_REQUIRE_DATABASE(db);
    createKunden(db);
    db.exec(QStringLiteral("ALTER TABLE kunden ADD COLUMN lieferadresse_ort VARCHAR(40)"));
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    // QRT_SCREENSHOT_DIR keeps the pictures for a person to look at.
    const QString pictures = qEnvironmentVariableIsSet("QRT_SCREENSHOT_DIR")
                                 ? qEnvironmentVariable("QRT_SCREENSHOT_DIR")
                                 : scratch.path();
    QFile config(scratch.filePath(QStringLiteral("screen.json")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1280,
                    "height": 800, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    config.close();

    QVector<ChildProcess::Result> results;
    {
        ChildEnvironment environment;
        environment.set("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toUtf8());
        environment.set("QT_SCALE_FACTOR", "2");
        results = ChildProcess::run("filterDialogsAt200Percent", {db.dbName(), pictures}, 1);
    }
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results.first().exitCode, 0) << results.first().output.toStdString();

    // Drawn at twice the logical size, and no larger than the screen.
    const QImage filter(QDir(pictures).filePath(QStringLiteral("filter-200.png")));
    ASSERT_FALSE(filter.isNull());
    EXPECT_LE(filter.width(), 1280);
    EXPECT_LE(filter.height(), 800);
    EXPECT_GT(filter.width(), 800) << "drawn at 200 %";
}
