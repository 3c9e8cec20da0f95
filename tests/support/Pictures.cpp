#include "support/Pictures.h"

#include "support/DialogChecks.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWidget>

namespace Pictures {

QString path(const QString &name)
{
    const QString folder = qEnvironmentVariableIsSet("QRT_SCREENSHOT_DIR")
                               ? qEnvironmentVariable("QRT_SCREENSHOT_DIR")
                               : QDir::tempPath();
    return QDir(folder).filePath(name);
}

bool save(const QImage &image, const QString &name)
{
    return image.save(path(name), "PNG");
}

QStringList checkWindow(QWidget *window, const QString &name)
{
    QStringList problems;
    window->show();
    QApplication::processEvents();
    for (int pass = 0; pass < 2; ++pass) {
        const QRect screen = window->screen()->availableGeometry();
        if (!screen.contains(window->frameGeometry()))
            problems << QStringLiteral("%1 liegt nicht auf dem Bildschirm: %2x%3")
                            .arg(window->windowTitle())
                            .arg(window->frameGeometry().width())
                            .arg(window->frameGeometry().height());
        for (const QString &clipped : clippedTexts(window))
            problems << window->windowTitle() + QStringLiteral(": abgeschnitten: ") + clipped;
        if (pass > 0)
            continue;
        if (!save(window->grab().toImage(), name))
            problems << name + QStringLiteral(" nicht gespeichert");
        // "..." and the arrows of a list's buttons are reached by keys of their own.
        for (const QString &problem : mnemonicProblems(
                 window, {QStringLiteral("..."), QStringLiteral(">"), QStringLiteral(">>"),
                          QStringLiteral("<"), QStringLiteral("<<")}))
            problems << window->windowTitle() + QStringLiteral(": ") + problem;
        window->resize(window->minimumSize());
        QApplication::processEvents();
    }
    return problems;
}

ChildProcess::Result runAt200Percent(const char *action, const QStringList &arguments)
{
    QTemporaryDir scratch;
    QFile config(scratch.filePath(QStringLiteral("screen.json")));
    if (!config.open(QIODevice::WriteOnly))
        return {-1, QStringLiteral("screen.json nicht geschrieben")};
    config.write(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1280,
                    "height": 800, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    config.close();
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool scaled = qEnvironmentVariableIsSet("QT_SCALE_FACTOR");
    const QByteArray scale = qgetenv("QT_SCALE_FACTOR");
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toUtf8());
    qputenv("QT_SCALE_FACTOR", "2");
    const QVector<ChildProcess::Result> results = ChildProcess::run(action, arguments, 1);
    qputenv("QT_QPA_PLATFORM", platform);
    if (scaled)
        qputenv("QT_SCALE_FACTOR", scale);
    else
        qunsetenv("QT_SCALE_FACTOR");
    return results.value(0);
}

QString screenProblem()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen->availableGeometry().size() == QSize(640, 400) && screen->devicePixelRatio() == 2.0)
        return QString();
    return QStringLiteral("kein 1280x800-Bildschirm bei 200 %: %1x%2 dpr %3")
        .arg(screen->availableGeometry().width())
        .arg(screen->availableGeometry().height())
        .arg(screen->devicePixelRatio());
}

int report(const QStringList &problems)
{
    QTextStream out(stdout);
    for (const QString &problem : problems)
        out << problem << Qt::endl;
    return problems.isEmpty() ? 0 : 1;
}

} // namespace Pictures
