#include "platform/TabText.h"

namespace TabText {

QString write(const QVector<QStringList> &rows, QChar separator)
{
    QString text;
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0)
                text += separator;
            const QString &cell = row.at(i);
            if (cell.contains(separator) || cell.contains(QLatin1Char('\n')) ||
                cell.contains(QLatin1Char('\r')) || cell.contains(QLatin1Char('"')))
                text += QLatin1Char('"') +
                        QString(cell).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                        QLatin1Char('"');
            else
                text += cell;
        }
        text += QLatin1String("\r\n");
    }
    return text;
}

QVector<QStringList> read(const QString &text, QChar separator)
{
    QVector<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;   // inside a quoted cell
    bool cellOpen = false; // something of the current row was read
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c != QLatin1Char('"'))
                cell += c;
            else if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                cell += text.at(++i);
            else
                quoted = false;
            continue;
        }
        if (c == QLatin1Char('"') && cell.isEmpty()) {
            quoted = true;
            cellOpen = true;
        } else if (c == separator) {
            row << cell;
            cell.clear();
            cellOpen = true;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() &&
                text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            row << cell;
            rows << row;
            row.clear();
            cell.clear();
            cellOpen = false;
        } else {
            cell += c;
            cellOpen = true;
        }
    }
    if (cellOpen || !row.isEmpty()) {
        row << cell;
        rows << row;
    }
    return rows;
}

} // namespace TabText
