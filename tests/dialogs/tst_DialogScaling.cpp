#include "dialogs/CCtrlPropDlg.h"
#include "dialogs/CFormPropDlg.h"
#include "dialogs/CTabOrderDlg.h"
#include "formdef/CFormBuilder.h"
#include "platform/RecordingMessages.h"
#include "support/ChildProcess.h"
#include "support/DialogChecks.h"
#include "support/TestFormHost.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

// The design dialogs on a 1280x800 screen at 200 % scaling, where the
// screen has 640x400 logical pixels. Scaling is chosen when a program
// starts, so the dialogs run in a child copy of this test program.
namespace {

class PoolBuilder final : public CFormBuilder
{
public:
    bool SaveForm() override { return true; }
    void DeleteForm(const QString &) override {}
    void AddHiddenFields() override {}
};

// Shows window at its preferred and at its smallest size; what lies off
// the screen or is cut off, one line each.
QStringList check(QWidget *window, const QString &file)
{
    QStringList problems;
    window->show();
    QApplication::processEvents();
    for (int pass = 0; pass < 2; ++pass) {
        const QRect available = window->screen()->availableGeometry();
        if (!available.contains(window->frameGeometry()))
            problems << QStringLiteral("%1 liegt nicht auf dem Bildschirm: %2x%3")
                            .arg(window->windowTitle())
                            .arg(window->frameGeometry().width())
                            .arg(window->frameGeometry().height());
        for (const QString &clipped : clippedTexts(window))
            problems << window->windowTitle() + QStringLiteral(": abgeschnitten: ") + clipped;
        if (pass == 0 && !window->grab().save(file, "PNG"))
            problems << QStringLiteral("%1 nicht gespeichert").arg(file);
        window->resize(window->minimumSize());
        QApplication::processEvents();
    }
    return problems;
}

QRT_CHILD_ACTION(designDialogsAt200Percent, [](const QStringList &args) {
    const QDir pictures(args.at(0));
    QTextStream out(stdout);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen->availableGeometry().size() != QSize(640, 400) ||
        screen->devicePixelRatio() != 2.0) {
        out << "kein 1280x800-Bildschirm bei 200 %" << Qt::endl;
        return 3;
    }
    RecordingMessages messages;
    ScopedUserMessages installed(messages);
    QStringList problems;
    {
        CCtrlPropDlg control;
        control.m_title = QStringLiteral("Überschrift mit einem recht langen Text");
        control.m_width = 120;
        control.m_height = 21;
        control.m_fontName = QStringLiteral("Microsoft Sans Serif");
        control.m_fontSize = 100;
        control.m_fontWeight = 700;
        control.m_italic = 1;
        problems << check(&control, pictures.filePath(QStringLiteral("control-200.png")));
    }
    {
        CFormPropDlg form;
        form.m_rasterX = 10;
        form.m_rasterY = 10;
        form.m_title = QStringLiteral("Kunden und Lieferanten");
        problems << check(&form, pictures.filePath(QStringLiteral("form-200.png")));
    }
    {
        TestFormHost host;
        PoolBuilder builder;
        builder.CreateForm(&host, true, QString());
        for (const char *column : {"kundennummer", "lieferadresse_ort", "aktiv"})
            builder.AddEdit(QString::fromLatin1(column), 10, 10, InputKind::FreeText);
        builder.PlaceControl(ControlKind::Edit, QStringLiteral("kundennummer"));
        CTabOrderDlg layout(builder.GetForm(), &builder);
        problems << check(&layout, pictures.filePath(QStringLiteral("layout-200.png")));
    }
    for (const QString &problem : std::as_const(problems))
        out << problem << Qt::endl;
    return problems.isEmpty() ? 0 : 1;
});

} // namespace

TEST(DesignDialogScaling, At200PercentOnA1280x800ScreenEveryTextIsWhole)
{
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString pictures = qEnvironmentVariableIsSet("QRT_SCREENSHOT_DIR")
                                 ? qEnvironmentVariable("QRT_SCREENSHOT_DIR")
                                 : scratch.path();
    QFile config(scratch.filePath(QStringLiteral("screen.json")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1280,
                    "height": 800, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    config.close();

    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const QByteArray scale = qgetenv("QT_SCALE_FACTOR");
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toUtf8());
    qputenv("QT_SCALE_FACTOR", "2");
    const QVector<ChildProcess::Result> results =
        ChildProcess::run("designDialogsAt200Percent", {pictures}, 1);
    qputenv("QT_QPA_PLATFORM", platform);
    if (scale.isNull())
        qunsetenv("QT_SCALE_FACTOR");
    else
        qputenv("QT_SCALE_FACTOR", scale);

    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results.first().exitCode, 0) << results.first().output.toStdString();
    const QImage control(QDir(pictures).filePath(QStringLiteral("control-200.png")));
    ASSERT_FALSE(control.isNull());
    EXPECT_LE(control.height(), 800);
    EXPECT_GT(control.width(), 2 * 300) << "drawn at 200 %";
}
