#include "runtime/RecordExport.h"

#include "controls/CDynCheckbox.h"
#include "controls/CDynComboBox.h"
#include "controls/CDynEdit.h"
#include "data/CDataMgr.h"
#include "platform/ComError.h"
#include "platform/GermanValues.h"
#include "platform/TabText.h"
#include "runtime/CForm.h"
#include "runtime/CFormMgr.h"

#include <QDir>
#include <QSaveFile>

namespace RecordExport {

namespace {

// Records converted and written at a time: few round trips, little memory.
constexpr int kBlockRows = 1024;

// A field's value for programs: numbers with a point, days and times as
// ISO writes them, yes/no as true/false; names of related rows and texts as
// the form shows them.
QString forPrograms(const CDynControl &field, const QString &recordText)
{
    if (qobject_cast<const CDynCheckbox *>(&field))
        return recordText.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0
                   ? QStringLiteral("true")
                   : QStringLiteral("false");
    const auto *edit = qobject_cast<const CDynEdit *>(&field);
    const auto *list = qobject_cast<const CDynComboBox *>(&field);
    if (!edit || (list && list->Choices()))
        return field.ShownText(recordText);
    switch (edit->GetFieldFormat().kind()) {
    case FieldFormat::Kind::WholeNumber:
    case FieldFormat::Kind::Decimal:
        return field.ShownText(recordText).replace(QLatin1Char(','), QLatin1Char('.'));
    case FieldFormat::Kind::Date:
    case FieldFormat::Kind::DateTime: {
        QDate date;
        QTime time;
        if (!GermanValues::recordDateTime(recordText, &date, &time))
            return recordText;
        if (edit->GetFieldFormat().kind() == FieldFormat::Kind::Date)
            return date.toString(Qt::ISODate);
        return date.toString(Qt::ISODate) + QLatin1Char(' ') +
               time.toString(time.msec() ? QStringLiteral("HH:mm:ss.zzz")
                                         : QStringLiteral("HH:mm:ss"));
    }
    case FieldFormat::Kind::Text:
    case FieldFormat::Kind::Time:
        break;
    }
    return field.ShownText(recordText);
}

} // namespace

QString unreadable(const QString &why)
{
    return QStringLiteral("Die Datensätze konnten nicht gelesen werden: %1").arg(why);
}

QString unwritable(const QString &path, const QString &why)
{
    return QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2")
        .arg(QDir::toNativeSeparators(path), why);
}

Result toCsv(CFormMgr &form, const QString &path, Format format, const Progress &progress,
             QString *error)
{
    const auto fail = [&](const QString &why) {
        if (error)
            *error = unwritable(path, why);
        return Result::Failed;
    };
    CForm *window = form.GetForm();
    CDataMgr *records = form.dataManager();
    if (!window || !records)
        return fail(QStringLiteral("Das Formular zeigt keine Datensätze."));
    const QVector<CDynControl *> fields = window->shownFields();
    const bool spreadsheet = format == Format::Spreadsheet;
    const QChar separator = spreadsheet ? QLatin1Char(';') : QLatin1Char(',');

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    QStringList header;
    for (const CDynControl *field : fields)
        header << field->FieldCaption();
    QByteArray head = TabText::write({header}, separator).toUtf8();
    if (spreadsheet)
        head.prepend("\xEF\xBB\xBF"); // what tells a spreadsheet program it is UTF-8
    if (file.write(head) != head.size())
        return fail(file.errorString());

    try {
        const qint64 total = qMax<qint64>(0, records->GetPosition(true).count);
        qint64 done = 0;
        bool cancelled = false;
        QString writeError;
        records->ReadAllRecords(kBlockRows, [&](const QVector<CDataMgr::Row> &block) {
            window->prepareShownTexts(block);
            QVector<QStringList> lines;
            lines.reserve(block.size());
            for (const CDataMgr::Row &row : block) {
                if (row.deleted)
                    continue; // another user deleted it meanwhile
                QStringList line;
                line.reserve(fields.size());
                for (const CDynControl *field : fields) {
                    const QString text = row.fields.value(field->GetName());
                    line << (text.isEmpty() ? QString()
                             : spreadsheet  ? field->ShownText(text)
                                            : forPrograms(*field, text));
                }
                lines << line;
            }
            const QByteArray bytes = TabText::write(lines, separator).toUtf8();
            if (file.write(bytes) != bytes.size()) {
                writeError = file.errorString();
                return false;
            }
            done += block.size();
            // Others may have added records since they were counted.
            if (progress && !progress(qMin(done, total), qMax(done, total))) {
                cancelled = true;
                return false;
            }
            return true;
        });
        if (!writeError.isEmpty())
            return fail(writeError);
        if (cancelled) {
            file.cancelWriting();
            return Result::Cancelled;
        }
    } catch (const ComError &failure) {
        file.cancelWriting();
        if (error)
            *error = unreadable(failure.message());
        return Result::Failed;
    }
    if (!file.commit())
        return fail(file.errorString());
    return Result::Written;
}

} // namespace RecordExport
