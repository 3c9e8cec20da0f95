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
// the wrong way, with the file, its line and the include.
namespace {

// Which layer a folder of src/ belongs to. A folder that is not listed has
// no place in the layering yet, and every file in it is reported until it
// gets one. The root holds the export macro, which every layer includes.
const std::map<QString, QString> &layerOfFolder()
{
    static const std::map<QString, QString> folders = {
        {QString(), QStringLiteral("root")},
        {QStringLiteral("platform"), QStringLiteral("platform")},
        {QStringLiteral("resources"), QStringLiteral("resources")},
        {QStringLiteral("xml"), QStringLiteral("xml")},
        {QStringLiteral("data/component"), QStringLiteral("data/component")},
        {QStringLiteral("data/component/engines"), QStringLiteral("data/component")},
        {QStringLiteral("data"), QStringLiteral("data")},
        {QStringLiteral("controls"), QStringLiteral("controls")},
        {QStringLiteral("filter"), QStringLiteral("filter")},
        {QStringLiteral("formdef"), QStringLiteral("formdef")},
        {QStringLiteral("dialogs"), QStringLiteral("dialogs")},
        {QStringLiteral("runtime"), QStringLiteral("runtime")},
        {QStringLiteral("facade"), QStringLiteral("facade")},
    };
    return folders;
}

// The layers each layer may include besides itself and the root.
const std::map<QString, QStringList> &allowedIncludes()
{
    static const QStringList belowRuntime = {
        QStringLiteral("platform"), QStringLiteral("xml"),      QStringLiteral("data/component"),
        QStringLiteral("data"),     QStringLiteral("controls"), QStringLiteral("filter"),
        QStringLiteral("formdef"),  QStringLiteral("dialogs"),  QStringLiteral("resources")};
    static const std::map<QString, QStringList> allowed = {
        {QStringLiteral("root"), {}},
        {QStringLiteral("platform"), {}},
        {QStringLiteral("resources"), {QStringLiteral("platform")}},
        {QStringLiteral("xml"), {QStringLiteral("platform")}},
        {QStringLiteral("data/component"), {QStringLiteral("platform")}},
        {QStringLiteral("data"),
         {QStringLiteral("data/component"), QStringLiteral("xml"), QStringLiteral("platform")}},
        {QStringLiteral("controls"),
         {QStringLiteral("platform"), QStringLiteral("xml"), QStringLiteral("resources")}},
        {QStringLiteral("filter"),
         {QStringLiteral("data"), QStringLiteral("data/component"), QStringLiteral("xml"),
          QStringLiteral("platform"), QStringLiteral("controls")}},
        {QStringLiteral("formdef"),
         {QStringLiteral("data"), QStringLiteral("data/component"), QStringLiteral("xml"),
          QStringLiteral("platform"), QStringLiteral("controls")}},
        {QStringLiteral("dialogs"),
         {QStringLiteral("controls"), QStringLiteral("xml"), QStringLiteral("platform"),
          QStringLiteral("formdef"), QStringLiteral("resources")}},
        {QStringLiteral("runtime"), belowRuntime},
        {QStringLiteral("facade"), belowRuntime + QStringList{QStringLiteral("runtime")}},
    };
    return allowed;
}

// Layers that must run without Qt Widgets: no widget header at all.
const QStringList kWidgetFree = {QStringLiteral("xml"), QStringLiteral("data/component"),
                                 QStringLiteral("data")};

struct Violation
{
    QString file; // relative to the folder above src/ and apps/, e.g. "src/data/X.cpp"
    int line = 0;
    QString include; // as written between the quotes or brackets
    QString reason;

    QString toString() const
    {
        return file + QLatin1Char(':') + QString::number(line) + QStringLiteral(": #include ") +
               include + QStringLiteral(" -- ") + reason;
    }
};

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
    LayeringCheck(const QString &root, QSet<QString> widgetHeaders)
        : m_root(QDir(root).canonicalPath()), m_src(QDir(m_root).filePath(QStringLiteral("src"))),
          m_apps(QDir(m_root).filePath(QStringLiteral("apps"))),
          m_widgetHeaders(std::move(widgetHeaders))
    {}

    QVector<Violation> run()
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

    int filesRead() const { return m_files; }
    int includesRead() const { return m_includes; }

private:
    // The layer of a file, "apps" for the host programs, nothing for a
    // folder of src/ that the layering does not know.
    std::optional<QString> layerOf(const QString &file) const
    {
        if (isInside(file, m_apps))
            return QStringLiteral("apps");
        const QString folder = QDir(m_src).relativeFilePath(QFileInfo(file).path());
        const auto found = layerOfFolder().find(folder == QLatin1String(".") ? QString() : folder);
        if (found == layerOfFolder().end())
            return std::nullopt;
        return found->second;
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
        m_violations.append(Violation{QDir(m_root).relativeFilePath(file), line, include, reason});
    }

    void checkFile(const QString &file)
    {
        ++m_files;
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
                if (kWidgetFree.contains(layer) && isWidgetHeader(include))
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
        if (!allowedIncludes().at(layer).contains(*targetLayer))
            report(file, line, include, layer + QStringLiteral(" may not include ") + *targetLayer);
    }

    QString m_root;
    QString m_src;
    QString m_apps;
    QSet<QString> m_widgetHeaders;
    QVector<Violation> m_violations;
    int m_files = 0;
    int m_includes = 0;
};

QString describe(const QVector<Violation> &violations)
{
    QStringList lines;
    for (const Violation &violation : violations)
        lines << violation.toString();
    return lines.join(QLatin1Char('\n'));
}

void write(const QDir &root, const QString &path, const QStringList &includes)
{
    QFileInfo info(root.filePath(path));
    ASSERT_TRUE(QDir().mkpath(info.path()));
    QFile file(info.filePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Text));
    QTextStream out(&file);
    out << "// " << path << "\n";
    for (const QString &include : includes)
        out << "#include " << include << "\n";
}

} // namespace

TEST(Layering, WidgetHeadersAreKnown)
{
    // Without them the widget rule would pass on anything.
    const QSet<QString> names = widgetHeaders();
    EXPECT_TRUE(names.contains(QStringLiteral("QWidget")));
    EXPECT_TRUE(names.contains(QStringLiteral("QMessageBox")));
    EXPECT_TRUE(names.contains(QStringLiteral("qdialog.h")));
    EXPECT_FALSE(names.contains(QStringLiteral("QString")));
}

TEST(Layering, SourcesFollowTheLayering)
{
    LayeringCheck check(QStringLiteral(QRT_SOURCE_DIR), widgetHeaders());
    const QVector<Violation> violations = check.run();
    EXPECT_TRUE(violations.isEmpty()) << describe(violations).toStdString();
    // It read the real tree, not an empty folder.
    EXPECT_GT(check.filesRead(), 50);
    EXPECT_GT(check.includesRead(), 300);
}

TEST(Layering, ReportsEveryWayAcrossTheLayers)
{
    QTemporaryDir tree;
    ASSERT_TRUE(tree.isValid());
    const QDir root(tree.path());
    // Allowed: the export macro, own folder by relative name, platform widgets,
    // a relative include inside the layer, the host programs reaching anything.
    write(root, QStringLiteral("src/qrt_export.h"), {});
    write(root, QStringLiteral("src/platform/Box.h"), {QStringLiteral("\"qrt_export.h\"")});
    write(root, QStringLiteral("src/platform/Box.cpp"),
          {QStringLiteral("\"platform/Box.h\""), QStringLiteral("<QMessageBox>")});
    write(root, QStringLiteral("src/xml/Doc.h"), {QStringLiteral("\"platform/Box.h\"")});
    write(root, QStringLiteral("src/data/Mgr.h"),
          {QStringLiteral("\"xml/Doc.h\""), QStringLiteral("<QString>")});
    write(root, QStringLiteral("src/data/component/engines/Engine.cpp"),
          {QStringLiteral("\"../Rows.h\""), QStringLiteral("<QtWidgets/QDialog>")});
    write(root, QStringLiteral("src/data/component/Rows.h"), {});
    write(root, QStringLiteral("src/facade/Filter.h"), {QStringLiteral("\"data/Mgr.h\"")});
    write(root, QStringLiteral("src/filter/Dlg.cpp"),
          {QStringLiteral("\"Dlg.h\""), QStringLiteral("\"../facade/Filter.h\""),
           QStringLiteral("\"controls/Combo.h\"")});
    write(root, QStringLiteral("src/filter/Dlg.h"), {});
    write(root, QStringLiteral("src/controls/Combo.h"), {QStringLiteral("<data/Mgr.h>")});
    write(root, QStringLiteral("src/runtime/Frame.cpp"), {QStringLiteral("\"facade/Filter.h\"")});
    write(root, QStringLiteral("src/xml/Doc.cpp"),
          {QStringLiteral("<QWidget>"), QStringLiteral("\"gibtsnicht.h\""),
           QStringLiteral("\"Doc.moc\"")});
    write(root, QStringLiteral("src/data/Mgr.cpp"),
          {QStringLiteral("\"data/Mgr.h\""), QStringLiteral("\"facade/Filter.h\""),
           QStringLiteral("<qmessagebox.h>")});
    write(root, QStringLiteral("src/gadgets/Commands.cpp"), {QStringLiteral("\"platform/Box.h\"")});
    write(root, QStringLiteral("apps/tool/main.cpp"),
          {QStringLiteral("\"facade/Filter.h\""), QStringLiteral("\"Local.h\""),
           QStringLiteral("<QApplication>")});
    write(root, QStringLiteral("apps/tool/Local.h"), {QStringLiteral("\"runtime/Frame.h\"")});

    LayeringCheck check(root.path(), widgetHeaders());
    QStringList found;
    for (const Violation &violation : check.run())
        found << violation.file + QLatin1Char(':') + QString::number(violation.line) +
                     QLatin1Char(' ') + violation.include;
    found.sort();
    // Line 1 is the comment, so the n-th include sits on line n + 1.
    const QStringList expected = {
        QStringLiteral("apps/tool/Local.h:2 runtime/Frame.h"), // names no file
        QStringLiteral("src/controls/Combo.h:2 data/Mgr.h"),   // controls never include data
        QStringLiteral("src/data/Mgr.cpp:3 facade/Filter.h"),  // data below facade
        QStringLiteral("src/data/Mgr.cpp:4 qmessagebox.h"),    // widgets in data
        QStringLiteral("src/data/component/engines/Engine.cpp:3 QtWidgets/QDialog"),
        QStringLiteral("src/filter/Dlg.cpp:3 ../facade/Filter.h"),   // relative, still upwards
        QStringLiteral("src/gadgets/Commands.cpp:2 platform/Box.h"), // folder not in the map
        QStringLiteral("src/runtime/Frame.cpp:2 facade/Filter.h"),
        QStringLiteral("src/xml/Doc.cpp:2 QWidget"),
        QStringLiteral("src/xml/Doc.cpp:3 gibtsnicht.h"),
    };
    EXPECT_EQ(found, expected);
}
