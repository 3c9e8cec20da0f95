#include <QDirIterator>
#include <QFile>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTextStream>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>

// The folders of src/ are the library's layers. Each may include its own
// headers and those of the layers below it, never those above: the data
// layer knows no dialog, the dialogs know no facade. The layering itself is
// the README's: its table "folder | may include" and the sentence naming the
// layers that use no Qt Widgets header.
namespace {

QStringList quotedNames(const QString &text)
{
    static const QRegularExpression name(QStringLiteral("`([^`]+)`"));
    QStringList names;
    for (auto it = name.globalMatch(text); it.hasNext();)
        names << it.next().captured(1);
    return names;
}

struct Layering
{
    std::map<QString, QStringList> allowed{{QString(), {}}}; // "" is src/ itself
    QStringList widgetFree;

    explicit Layering(const QString &readmePath)
    {
        QFile file(readmePath);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList above;
        bool inTable = false;
        for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
            if (line.contains(QLatin1String("use no Qt Widgets header")))
                widgetFree = quotedNames(line);
            inTable = line.startsWith(QLatin1String("| folder | may include |")) ||
                      (inTable && line.startsWith(QLatin1Char('|')));
            const QStringList cells = line.split(QLatin1Char('|'));
            if (!inTable || cells.size() < 3 || cells.at(2).contains(QLatin1String("anything")))
                continue;
            QStringList may = quotedNames(cells.at(2));
            if (cells.at(2).contains(QLatin1String("all of the above")))
                may += above;
            for (const QString &folder : quotedNames(cells.at(1)))
                allowed[folder] = may;
            above += quotedNames(cells.at(1));
        }
    }

    // The nearest listed folder at or above the folder of a file of src/.
    std::optional<QString> layerOf(const QString &file) const
    {
        QString folder = QFileInfo(file).path();
        if (folder == QLatin1String("."))
            folder.clear();
        while (!allowed.count(folder)) {
            if (!folder.contains(QLatin1Char('/')))
                return std::nullopt;
            folder.truncate(folder.lastIndexOf(QLatin1Char('/')));
        }
        return folder;
    }
};

// Calls each with every line of every source file below folder.
void forEachLine(const QString &folder,
                 const std::function<void(const QFileInfo &, int, const QString &)> &each)
{
    QDirIterator files(folder, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QFileInfo file(files.next());
        QFile source(file.filePath());
        EXPECT_TRUE(source.open(QIODevice::ReadOnly | QIODevice::Text))
            << file.filePath().toStdString();
        QTextStream in(&source);
        for (int number = 1; !in.atEnd(); ++number)
            each(file, number, in.readLine());
    }
}

// Every include of src/ that crosses the layering, as "file:line include".
QStringList violations(const QString &root, const Layering &layering)
{
    static const QRegularExpression includeLine(
        QStringLiteral(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])"));
    const QDir src(QDir(root + QStringLiteral("/src")).canonicalPath());
    const QDir widgets(QLibraryInfo::path(QLibraryInfo::HeadersPath) +
                       QStringLiteral("/QtWidgets"));
    QStringList found;
    forEachLine(src.path(), [&](const QFileInfo &file, int number, const QString &line) {
        const QRegularExpressionMatch match = includeLine.match(line);
        if (!match.hasMatch())
            return;
        const std::optional<QString> layer =
            layering.layerOf(src.relativeFilePath(file.filePath()));
        const QString include = match.captured(2);
        const auto report = [&] {
            found << QStringLiteral("%1:%2 %3")
                         .arg(src.relativeFilePath(file.filePath()))
                         .arg(number)
                         .arg(include);
        };
        QString target;
        for (const QString &candidate : {file.dir().filePath(include), src.filePath(include)})
            if (match.captured(1) == "\"" && target.isEmpty() && QFileInfo(candidate).isFile())
                target = QFileInfo(candidate).canonicalFilePath();
        if (!layer) {
            report();
        } else if (target.isEmpty()) {
            const bool widget =
                include.startsWith(QLatin1String("QtWidgets")) || widgets.exists(include);
            if ((match.captured(1) == "\"" && !include.contains(QLatin1String("moc"))) ||
                (widget && layering.widgetFree.contains(*layer)))
                report();
        } else if (const auto to = layering.layerOf(src.relativeFilePath(target))) {
            // A file of a folder outside the table is reported where it is read.
            if (*to != *layer && !to->isEmpty() && !layering.allowed.at(*layer).contains(*to))
                report();
        }
    });
    return found;
}

const Layering &readme()
{
    static const Layering layering(QStringLiteral(QRT_SOURCE_DIR "/README.md"));
    return layering;
}

} // namespace

TEST(Layering, SourcesFollowTheLayering)
{
    ASSERT_GE(readme().allowed.size(), 9u) << "the README's table was not found";
    ASSERT_FALSE(readme().widgetFree.isEmpty());
    const QStringList found = violations(QStringLiteral(QRT_SOURCE_DIR), readme());
    EXPECT_TRUE(found.isEmpty()) << found.join(QLatin1Char('\n')).toStdString();
}

// What differs between the database engines lives in the engines' own files
// and in the dialect table (and the connection string, which maps provider
// names to kinds). Code anywhere else asks for a capability or a dialect
// entry; it never branches on which engine it talks to, so a new engine is
// one more backend and one more dialect row, not a hunt through every layer.
TEST(EngineKnowledge, OnlyTheEnginesAndTheDialectBranchOnTheKind)
{
    // Comparisons and case labels on a kind, or on the stored kind number.
    static const QRegularExpression branching(QStringLiteral(
        R"((==|!=)\s*DatabaseKind::|DatabaseKind::\w+\s*(==|!=)|case\s+DatabaseKind::|)"
        R"(\b(dbType\(\)|m_dbType)\s*(==|!=)\s*\d)"));
    const QDir root(QStringLiteral(QRT_SOURCE_DIR));
    QStringList found;
    for (const char *folder : {"src", "apps"}) {
        forEachLine(root.filePath(QLatin1String(folder)), [&](const QFileInfo &file, int number,
                                                              const QString &line) {
            const QString relative = root.relativeFilePath(file.filePath());
            if (!relative.startsWith(QLatin1String("src/data/component/engines/")) &&
                !relative.startsWith(QLatin1String("src/data/component/SqlDialect.")) &&
                !relative.startsWith(QLatin1String("src/data/component/ConnectionString.")) &&
                branching.match(line).hasMatch())
                found << QStringLiteral("%1:%2: %3").arg(relative).arg(number).arg(line.trimmed());
        });
    }
    EXPECT_TRUE(found.isEmpty()) << found.join(QLatin1Char('\n')).toStdString();
}
