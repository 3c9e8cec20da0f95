#include "HostStartup.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Set when chooseScreen gave Qt the offscreen platform to fall back on.
bool g_fallbackOffered = false;
QtMessageHandler g_previousHandler = nullptr;

// Qt's notes that concern nobody who runs the program: a display it could
// not reach before it fell back (the program says that once, in German,
// through whyNoWindow()), a platform that keeps no size hints, a runtime
// folder it chose by itself.
bool isPlatformNoise(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    const QLatin1String category(context.category ? context.category : "");
    if (g_fallbackOffered &&
        (category == QLatin1String("qt.qpa.xcb") || category == QLatin1String("qt.qpa.plugin") ||
         category == QLatin1String("qt.qpa.wayland")))
        return type != QtFatalMsg;
    return type == QtWarningMsg &&
           (text == QLatin1String("This plugin does not support propagateSizeHints()") ||
            text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")));
}

void withoutPlatformNoise(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (isPlatformNoise(type, context, text))
        return;
    if (g_previousHandler) // Qt hands out its default handler, never null
        g_previousHandler(type, context, text);
}

QString displayName()
{
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    return wayland.isEmpty() ? qEnvironmentVariable("DISPLAY") : wayland;
}

} // namespace

namespace HostStartup {

bool chooseScreen(bool pictureOnly, QString *reason)
{
    g_previousHandler = qInstallMessageHandler(withoutPlatformNoise);
    if (pictureOnly) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return true;
    }
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true; // chosen by the user; whyNoWindow() judges it
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!wayland && qEnvironmentVariableIsEmpty("DISPLAY")) {
        *reason = QStringLiteral("Es ist kein Bildschirm verfügbar (weder DISPLAY noch "
                                 "WAYLAND_DISPLAY ist gesetzt).");
        return false;
    }
    // Without the last entry Qt aborts when the display does not answer.
    qputenv("QT_QPA_PLATFORM", wayland ? "wayland;xcb;offscreen" : "xcb;offscreen");
    g_fallbackOffered = true;
#else
    Q_UNUSED(reason);
#endif
    return true;
}

bool isHeadless()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

QString whyNoWindow()
{
    if (!isHeadless())
        return QString();
    if (g_fallbackOffered)
        return QStringLiteral("Es ist kein Bildschirm verfügbar: die Anzeige „%1“ ist nicht "
                              "erreichbar.")
            .arg(displayName());
    return QStringLiteral("Es ist kein Bildschirm verfügbar (Plattform „%1“).")
        .arg(QGuiApplication::platformName());
}

void speakGerman(QCoreApplication &app)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto *translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_de"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(translator);
}

} // namespace HostStartup
