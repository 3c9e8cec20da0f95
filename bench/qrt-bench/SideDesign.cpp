// Design mode at scale: a table of 200 columns, its form generated and
// opened in the editor, then saved; and the saved form opened again.

#include "BenchSides.h"
#include "BenchSupport.h"

#include "platform/RecordingMessages.h"
#include "runtime/CForm.h"
#include "runtime/CFormDlg.h"
#include "runtime/CFormFrame.h"
#include "runtime/CFormMgr.h"

#include <stdexcept>

namespace {

constexpr int kColumns = 200;

void createWideTable(const BenchDatabase &db)
{
    const QString connectionName = QStringLiteral("design-setup");
    {
        QSqlDatabase connection = db.open(connectionName);
        QStringList columns{QStringLiteral("ID INTEGER PRIMARY KEY")};
        const QStringList types = {QStringLiteral("VARCHAR(40)"), QStringLiteral("INTEGER"),
                                   db.postgres ? QStringLiteral("DOUBLE PRECISION")
                                               : QStringLiteral("DOUBLE"),
                                   QStringLiteral("DATE"), QStringLiteral("BOOLEAN")};
        for (int i = 1; i < kColumns; ++i)
            columns
                << QStringLiteral("FELD%1 %2").arg(i, 3, 10, QLatin1Char('0')).arg(types.at(i % 5));
        execSql(connection, QStringLiteral("DROP TABLE IF EXISTS Breit"));
        execSql(connection, QStringLiteral("CREATE TABLE Breit (") +
                                columns.join(QStringLiteral(", ")) + QLatin1Char(')'));
    }
    QSqlDatabase::removeDatabase(connectionName);
}

void deleteStoredForm(const BenchDatabase &db)
{
    const QString connectionName = QStringLiteral("design-delete");
    {
        QSqlDatabase connection = db.open(connectionName);
        const QString form =
            QStringLiteral("(SELECT QRTFORM_ID FROM QRTFORM WHERE NAME = 'Breit')");
        execSql(connection, QStringLiteral("DELETE FROM QRTFORMITEM WHERE QRTFORM_ID IN ") + form);
        execSql(connection, QStringLiteral("DELETE FROM QRTFORM WHERE NAME = 'Breit'"));
    }
    QSqlDatabase::removeDatabase(connectionName);
}

int controlsOn(const CFormDlg &editor)
{
    return int(editor.GetFormHost()->GetFormMgr()->GetForm()->controls().size());
}

Figures onePass(const BenchDatabase &db)
{
    Figures figures;
    const QString document = formDocument(db, QStringLiteral("Breit"), true);
    QElapsedTimer clock;
    {
        clock.start();
        CFormDlg editor(document, false);
        editor.show();
        figures["design_generate_200_columns_ms"] = msSince(clock);
        if (!editor.GetFormHost() || controlsOn(editor) < kColumns)
            throw std::runtime_error("design: the form was not generated");
        clock.restart();
        if (!editor.GetFormHost()->DateiSpeichern())
            throw std::runtime_error("design: the form was not saved");
        figures["design_save_200_columns_ms"] = msSince(clock);
    }
    {
        clock.start();
        CFormDlg editor(document, false);
        editor.show();
        figures["design_open_stored_200_columns_ms"] = msSince(clock);
        if (!editor.GetFormHost() || controlsOn(editor) < kColumns)
            throw std::runtime_error("design: the stored form was not loaded");
    }
    deleteStoredForm(db);
    return figures;
}

} // namespace

int runDesignScale(const BenchDatabase &db, int passes)
{
    RecordingMessages messages;
    ScopedUserMessages scope(messages);
    createWideTable(db);
    Figures best;
    for (int i = 0; i < passes; ++i)
        keepBest(best, onePass(db));
    best["peak_end_mib"] = peakMiB();
    printFigures(best);
    return 0;
}
