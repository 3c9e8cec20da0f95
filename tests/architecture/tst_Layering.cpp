#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <map>
#include <optional>

// The folders of src/ are the library's layers. Each may include its own
// headers and those of the layers below it, never those above: the data
// layer knows no dialog, the dialogs know no facade. This test reads every
// #include of src/ and apps/ and reports each one that crosses the layering
// the wrong way, with the file, its line and the include. The layering
// itself is the README's: its table "folder | may include" and the sentence
// naming the layers that use no Qt Widgets header.
namespace {

struct Layering
{
    std::map<QString, QStringList> allowed; // a layer, and those it may include
    QStringList widgetFree;
    QString apps; // the layer that may use anything ("apps")

    // The layer of a folder of src/ ("" for the root, which holds the
    // export macro every layer includes): the folder itself or the nearest
    // listed one above it; nothing for a folder outside the layering.
    std::optional<QString> layerOf(QString folder) const
    {
        if (folder.isEmpty())
            return QStringLiteral("root");
        for (;;) {
            if (allowed.count(folder))
                return folder;
            const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
            if (slash < 0)
                return std::nullopt;
            folder.truncate(slash);
        }
    }
};

QStringList quotedNames(const QString &text)
{
    static const QRegularExpression name(QStringLiteral("`([^`]+)`"));
    QStringList names;
    for (auto it = name.globalMatch(text); it.hasNext();)
        names << it.next().captured(1);
    return names;
}

Layering readLayering(const QString &readmePath)
{
    Layering layering;
    QFile readme(readmePath);
    EXPECT_TRUE(readme.open(QIODevice::ReadOnly | QIODevice::Text)) << readmePath.toStdString();
    const QStringList lines = QString::fromUtf8(readme.readAll()).split(QLatin1Char('\n'));
    QStringList above;
    bool inTable = false;
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("| folder | may include |"))) {
            inTable = true;
            continue;
        }
        if (inTable && !line.startsWith(QLatin1Char('|')))
            inTable = false;
        if (line.contains(QLatin1String("use no Qt Widgets header")))
            layering.widgetFree = quotedNames(line);
        const QStringList cells = line.split(QLatin1Char('|'));
        if (!inTable || cells.size() < 3 || line.startsWith(QLatin1String("|---")))
            continue;
        const QStringList folders = quotedNames(cells.at(1));
        QStringList may = quotedNames(cells.at(2));
        if (cells.at(2).contains(QLatin1String("all of the above")))
            may += above;
        for (const QString &folder : folders) {
            if (cells.at(2).contains(QLatin1String("anything")))
                layering.apps = folder;
            else
                layering.allowed[folder] = may;
        }
        above += folders;
    }
    layering.allowed[QStringLiteral("root")] = {};
    return layering;
}

// The names of Qt Widgets' headers (QWidget, QDialog, qmessagebox.h, …),
// read from the module's include folder.
QSet<QString> widgetHeaders()
{
    QSet<QString> names;
    const QDir module(QLibraryInfo::path(QLibraryInfo::HeadersPath) + QStringLiteral("/QtWidgets"));
    for (const QString &name : module.entryList(QDir::Files))
        names.insert(name);
    return names;
}

class LayeringCheck
{
public:
    LayeringCheck(const QString &root, Layering layering, QSet<QString> widgetHeaders)
        : m_root(QDir(root).canonicalPath()), m_src(QDir(m_root).filePath(QStringLiteral("src"))),
          m_apps(QDir(m_root).filePath(QStringLiteral("apps"))), m_layering(std::move(layering)),
          m_widgetHeaders(std::move(widgetHeaders))
    {}

    QStringList run()
    {
        for (const QString &top : {m_src, m_apps}) {
            QDirIterator files(top,
                               {QStringLiteral("*.h"), QStringLiteral("*.hpp"),
                                QStringLiteral("*.cpp"), QStringLiteral("*.cc"),
                                QStringLiteral("*.cxx")},
                               QDir::Files, QDirIterator::Subdirectories);
            while (files.hasNext())
                checkFile(QFileInfo(files.next()).canonicalFilePath());
        }
        return m_violations;
    }

    int includesRead() const { return m_includes; }

private:
    // The layer of a file, "apps" for the host programs, nothing for a
    // folder of src/ that the layering does not know.
    std::optional<QString> layerOf(const QString &file) const
    {
        if (isInside(file, m_apps))
            return QStringLiteral("apps");
        const QString folder = QDir(m_src).relativeFilePath(QFileInfo(file).path());
        return m_layering.layerOf(folder == QLatin1String(".") ? QString() : folder);
    }

    static bool isInside(const QString &file, const QString &folder)
    {
        return file.startsWith(folder + QLatin1Char('/'));
    }

    // Our header that an include names, looked up as the compiler does:
    // quoted names next to the including file first, then from src/.
    QString resolve(const QString &file, const QString &include, bool quoted) const
    {
        QStringList candidates;
        if (quoted)
            candidates << QFileInfo(file).dir().filePath(include);
        candidates << QDir(m_src).filePath(include);
        // The host programs share apps/common, named from apps/ ("common/…").
        if (isInside(file, m_apps))
            candidates << QDir(m_apps).filePath(include);
        for (const QString &candidate : candidates) {
            const QFileInfo info(candidate);
            if (info.isFile())
                return info.canonicalFilePath();
        }
        return QString();
    }

    static bool isGenerated(const QString &include)
    {
        const QString name = QFileInfo(include).fileName();
        return name.startsWith(QLatin1String("moc_")) || name.endsWith(QLatin1String(".moc")) ||
               name.startsWith(QLatin1String("ui_"));
    }

    bool isWidgetHeader(const QString &include) const
    {
        return include == QLatin1String("QtWidgets") ||
               include.startsWith(QLatin1String("QtWidgets/")) || m_widgetHeaders.contains(include);
    }

    void report(const QString &file, int line, const QString &include, const QString &reason)
    {
        m_violations << QStringLiteral("%1:%2 %3 -- %4")
                            .arg(QDir(m_root).relativeFilePath(file))
                            .arg(line)
                            .arg(include, reason);
    }

    void checkFile(const QString &file)
    {
        const std::optional<QString> layer = layerOf(file);
        QFile source(file);
        if (!source.open(QIODevice::ReadOnly | QIODevice::Text)) {
            report(file, 0, QString(), QStringLiteral("cannot be read"));
            return;
        }
        static const QRegularExpression includeLine(
            QStringLiteral(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])"));
        QTextStream in(&source);
        int lineNumber = 0;
        while (!in.atEnd()) {
            const QString line = in.readLine();
            ++lineNumber;
            const QRegularExpressionMatch match = includeLine.match(line);
            if (!match.hasMatch())
                continue;
            ++m_includes;
            const bool quoted = match.captured(1) == QLatin1String("\"");
            const QString include = match.captured(2).trimmed();
            if (!layer) {
                report(file, lineNumber, include,
                       QStringLiteral("the folder is not in the layering map"));
                continue;
            }
            checkInclude(file, lineNumber, *layer, include, quoted);
        }
    }

    void checkInclude(const QString &file, int line, const QString &layer, const QString &include,
                      bool quoted)
    {
        const QString target = resolve(file, include, quoted);
        if (target.isEmpty()) {
            if (!quoted) {
                if (m_layering.widgetFree.contains(layer) && isWidgetHeader(include))
                    report(file, line, include,
                           layer + QStringLiteral(" must run without Qt Widgets"));
            } else if (!isGenerated(include)) {
                report(file, line, include, QStringLiteral("names no file of src/ or beside it"));
            }
            return;
        }
        if (layer == QLatin1String("apps"))
            return; // the host programs may use anything of the library
        if (!isInside(target, m_src)) {
            report(file, line, include, QStringLiteral("the library includes a file outside src/"));
            return;
        }
        const std::optional<QString> targetLayer = layerOf(target);
        if (!targetLayer)
            return; // reported where that file itself is read
        if (*targetLayer == layer || *targetLayer == QLatin1String("root"))
            return;
        if (!m_layering.allowed.at(layer).contains(*targetLayer))
            report(file, line, include, layer + QStringLiteral(" may not include ") + *targetLayer);
    }

    QString m_root;
    QString m_src;
    QString m_apps;
    Layering m_layering;
    QSet<QString> m_widgetHeaders;
    QStringList m_violations; // "file:line include -- reason"
    int m_includes = 0;
};

void write(const QDir &root, const QString &path, const QStringList &includes)
{
    QFileInfo info(root.filePath(path));
    ASSERT_TRUE(QDir().mkpath(info.path()));
    QFile file(info.filePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Text));
    QTextStream out(&file);
    for (const QString &include : includes)
        out << "#include " << include << "\n";
}

} // namespace

Layering readmeLayering()
{
    return readLayering(QStringLiteral(QRT_SOURCE_DIR "/README.md"));
}

TEST(Layering, SourcesFollowTheLayering)
{
    // Without the README's layers and Qt's widget headers the rules would
    // pass on anything.
    const Layering layering = readmeLayering();
    EXPECT_GE(layering.allowed.size(), 8u);
    EXPECT_FALSE(layering.widgetFree.isEmpty());
    EXPECT_EQ(layering.apps, "apps");
    EXPECT_TRUE(widgetHeaders().contains(QStringLiteral("qdialog.h")));
    LayeringCheck check(QStringLiteral(QRT_SOURCE_DIR), layering, widgetHeaders());
    const QStringList violations = check.run();
    EXPECT_TRUE(violations.isEmpty()) << violations.join(QLatin1Char('\n')).toStdString();
    // It read the real tree, not an empty folder.
    EXPECT_GT(check.includesRead(), 300);
}

TEST(Layering, ReportsEveryWayAcrossTheLayers)
{
    // A tree of files and their includes; the ones marked "!" cross the
    // layering and only those may be reported. Allowed: the export macro,
    // the own folder by relative name, platform widgets, a relative include
    // inside the layer, the host programs reaching anything.
    const std::pair<const char *, QStringList> tree[] = {
        {"src/qrt_export.h", {}},
        {"src/platform/Box.h", {"\"qrt_export.h\""}},
        {"src/platform/Box.cpp", {"\"platform/Box.h\"", "<QMessageBox>"}},
        {"src/xml/Doc.h", {"\"platform/Box.h\""}},
        {"src/data/Mgr.h", {"\"xml/Doc.h\"", "<QString>"}},
        {"src/data/component/engines/Engine.cpp", {"\"../Rows.h\"", "!<QtWidgets/QDialog>"}},
        {"src/data/component/Rows.h", {}},
        {"src/facade/Filter.h", {"\"data/Mgr.h\""}},
        {"src/filter/Dlg.cpp", {"\"Dlg.h\"", "!\"../facade/Filter.h\"", "\"controls/Combo.h\""}},
        {"src/filter/Dlg.h", {}},
        {"src/controls/Combo.h", {"!<data/Mgr.h>"}},
        {"src/runtime/Frame.cpp", {"!\"facade/Filter.h\""}},
        {"src/xml/Doc.cpp", {"!<QWidget>", "!\"gibtsnicht.h\"", "\"Doc.moc\""}},
        {"src/data/Mgr.cpp", {"\"data/Mgr.h\"", "!\"facade/Filter.h\"", "!<qmessagebox.h>"}},
        {"src/gadgets/Commands.cpp", {"!\"platform/Box.h\""}}, // a folder not in the map
        {"apps/tool/main.cpp", {"\"facade/Filter.h\"", "\"Local.h\"", "<QApplication>"}},
        {"apps/tool/Local.h", {"!\"runtime/Frame.h\""}}, // names no file
    };
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QDir root(folder.path());
    QStringList expected;
    for (const auto &[path, includes] : tree) {
        QStringList written;
        for (const QString &include : includes) {
            if (include.startsWith(QLatin1Char('!')))
                expected << QStringLiteral("%1:%2 %3")
                                .arg(QString::fromLatin1(path))
                                .arg(written.size() + 1)
                                .arg(include.mid(2, include.size() - 3));
            written << QString(include).remove(QLatin1Char('!'));
        }
        write(root, QString::fromLatin1(path), written);
    }
    LayeringCheck check(root.path(), readmeLayering(), widgetHeaders());
    QStringList found;
    for (const QString &violation : check.run())
        found << violation.section(QStringLiteral(" -- "), 0, 0);
    found.sort();
    expected.sort();
    EXPECT_EQ(found, expected);
}
