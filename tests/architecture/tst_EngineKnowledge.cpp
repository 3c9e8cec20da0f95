#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

#include <gtest/gtest.h>

// What differs between the database engines lives in the engines' own files
// and in the dialect table. Code anywhere else asks for a capability or a
// dialect entry; it never branches on which engine it talks to, so a new
// engine is one more backend and one more dialect row, not a hunt through
// every layer.
namespace {

// The files that may name the kinds: the backends, the dialect table and
// the connection string, which maps provider names to kinds.
bool mayBranchOnKind(const QString &relativePath)
{
    return relativePath.startsWith(QLatin1String("src/data/component/engines/")) ||
           relativePath.startsWith(QLatin1String("src/data/component/SqlDialect.")) ||
           relativePath.startsWith(QLatin1String("src/data/component/ConnectionString."));
}

// Comparisons and case labels on a kind, or on the stored kind number.
const QRegularExpression &branching()
{
    static const QRegularExpression pattern(QStringLiteral(
        R"((==|!=)\s*DatabaseKind::|DatabaseKind::\w+\s*(==|!=)|case\s+DatabaseKind::|)"
        R"(\b(dbType\(\)|m_dbType)\s*(==|!=)\s*\d)"));
    return pattern;
}

QStringList branchesOutsideTheEngines(const QString &root)
{
    QStringList found;
    for (const char *folder : {"src", "apps"}) {
        QDirIterator files(root + QLatin1Char('/') + QLatin1String(folder),
                           {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            const QString relative = path.mid(root.size() + 1);
            if (mayBranchOnKind(relative))
                continue;
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            QTextStream lines(&file);
            int number = 0;
            while (!lines.atEnd()) {
                const QString line = lines.readLine();
                ++number;
                if (branching().match(line).hasMatch())
                    found << QStringLiteral("%1:%2: %3")
                                 .arg(relative)
                                 .arg(number)
                                 .arg(line.trimmed());
            }
        }
    }
    return found;
}

TEST(EngineKnowledge, OnlyTheEnginesAndTheDialectBranchOnTheKind)
{
    const QStringList found = branchesOutsideTheEngines(QStringLiteral(QRT_SOURCE_DIR));
    EXPECT_TRUE(found.isEmpty()) << found.join(QLatin1Char('\n')).toStdString();
}

} // namespace
