#include "platform/QtGerman.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include <atomic>

namespace {

std::atomic<bool> g_enabled{true};
// The library's translator, owned by the application object it was
// installed on (so it goes with it, and a new application starts afresh).
QPointer<QTranslator> g_translator;

// Whether some translator already turns Qt's own texts into another
// language. Two texts every translation of qtbase has: a standard button's
// and one of the line edit's context menu.
bool qtTextsTranslated()
{
    return QCoreApplication::translate("QPlatformTheme", "Cancel") != QLatin1String("Cancel") ||
           QCoreApplication::translate("QLineEdit", "&Copy") != QLatin1String("&Copy");
}

} // namespace

namespace qrt {

bool ensureQtGerman()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || !g_enabled)
        return false;
    if (g_translator)
        return true;
    if (qtTextsTranslated())
        return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_de"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    // The widgets already open hear of it (LanguageChange) and retranslate.
    if (!QCoreApplication::installTranslator(translator.get()))
        return false;
    translator->setParent(app);
    g_translator = translator.release();
    return true;
}

void setQtGermanEnabled(bool enabled)
{
    g_enabled = enabled;
    if (!enabled && g_translator) {
        QTranslator *ours = g_translator;
        g_translator.clear();
        QCoreApplication::removeTranslator(ours);
        ours->deleteLater(); // its application still owns it until then
    }
}

bool isQtGermanEnabled()
{
    return g_enabled;
}

} // namespace qrt
