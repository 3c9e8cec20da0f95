#include "support/PdfText.h"

#include <gtest/gtest.h>

#include <QProcess>

QString pdfText(const QString &path, int page)
{
    QStringList arguments{QStringLiteral("-layout")};
    if (page > 0)
        arguments << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
                  << QString::number(page);
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), arguments << path << QStringLiteral("-"));
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0) {
        ADD_FAILURE() << "pdftotext (poppler-utils) could not read " << path.toStdString();
        return QString();
    }
    return QString::fromUtf8(reader.readAllStandardOutput());
}
