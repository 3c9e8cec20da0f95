// The reference form, built the way Qt documents it: a QSqlTableModel with
// manual submit, sorted like ours, and a QDataWidgetMapper that puts the
// current row into one widget per column.

#include "BenchSides.h"
#include "BenchSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDataWidgetMapper>
#include <QDateEdit>
#include <QFormLayout>
#include <QLineEdit>
#include <QSqlTableModel>
#include <QWidget>

#include <memory>
#include <stdexcept>

namespace {

class ReferenceForm
{
public:
    ReferenceForm(const BenchDatabase &db, const QString &connectionName)
        : m_connectionName(connectionName)
    {
        QSqlDatabase connection = db.open(connectionName);
        m_model = std::make_unique<QSqlTableModel>(nullptr, connection);
        m_model->setTable(db.table());
        m_model->setEditStrategy(QSqlTableModel::OnManualSubmit);
        m_model->setSort(m_model->fieldIndex(db.column("NAME")), Qt::AscendingOrder);
        m_model->select();

        m_window = std::make_unique<QWidget>();
        auto *layout = new QFormLayout(m_window.get());
        m_mapper = std::make_unique<QDataWidgetMapper>();
        m_mapper->setModel(m_model.get());
        m_mapper->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
        for (const char *column : {"ID", "NAME", "ORT", "BETRAG"}) {
            auto *edit = new QLineEdit(m_window.get());
            edit->setObjectName(QString::fromLatin1(column));
            layout->addRow(QString::fromLatin1(column), edit);
            m_mapper->addMapping(edit, m_model->fieldIndex(db.column(column)));
        }
        auto *date = new QDateEdit(m_window.get());
        date->setCalendarPopup(true);
        layout->addRow(QStringLiteral("DATUM"), date);
        m_mapper->addMapping(date, m_model->fieldIndex(db.column("DATUM")));
        auto *active = new QCheckBox(m_window.get());
        layout->addRow(QStringLiteral("AKTIV"), active);
        m_mapper->addMapping(active, m_model->fieldIndex(db.column("AKTIV")));
        m_mapper->toFirst();
        m_window->show();
    }
    ~ReferenceForm()
    {
        m_mapper.reset();
        m_window.reset();
        m_model.reset();
        QSqlDatabase::removeDatabase(m_connectionName);
    }

    QLineEdit *edit(const char *column) const
    {
        return m_window->findChild<QLineEdit *>(QString::fromLatin1(column));
    }
    QString text(const char *column) const { return edit(column)->text(); }
    QSqlTableModel &model() { return *m_model; }
    QDataWidgetMapper &mapper() { return *m_mapper; }

    // The model holds the rows it has fetched; a form that moves on needs
    // the next ones first.
    void next()
    {
        if (m_mapper->currentIndex() + 1 >= m_model->rowCount() && m_model->canFetchMore())
            m_model->fetchMore();
        m_mapper->toNext();
    }
    void fetchAll()
    {
        while (m_model->canFetchMore())
            m_model->fetchMore();
    }

private:
    QString m_connectionName;
    std::unique_ptr<QSqlTableModel> m_model;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<QDataWidgetMapper> m_mapper;
};

void require(bool condition, const char *what)
{
    if (!condition)
        throw std::runtime_error(std::string("reference: ") + what);
}

Figures onePass(const BenchDatabase &db, const Expected &expected)
{
    Figures figures;
    QElapsedTimer clock;
    {
        clock.start();
        ReferenceForm form(db, QStringLiteral("reference-a"));
        figures["first_record_ms"] = msSince(clock);
        require(form.text("NAME") == expected.firstName, "the first record is not shown");

        clock.restart();
        for (int i = 0; i < kMoves; ++i)
            form.next();
        figures["next_moves_ms"] = msSince(clock);
        require(form.mapper().currentIndex() == kMoves, "the moves did not arrive");

        form.edit("ORT")->setText(QStringLiteral("Referenz %1").arg(expected.pass));
        clock.restart();
        form.mapper().submit();
        require(form.model().submitAll(), "the save failed");
        figures["save_ms"] = msSince(clock);

        clock.restart();
        form.model().setFilter(refilterCondition());
        form.model().select();
        form.mapper().toFirst();
        figures["refilter_ms"] = msSince(clock);
        require(form.text("NAME") == expected.firstFiltered, "the re-filter shows another row");
    }
    {
        // "n of m": the model knows m once it has fetched every row.
        ReferenceForm form(db, QStringLiteral("reference-b"));
        clock.start();
        form.fetchAll();
        require(form.model().rowCount() == expected.rows, "the count is wrong");
        figures["position_exact_ms"] = msSince(clock);
        figures["fetch_all_ms"] = figures["position_exact_ms"];
    }
    {
        ReferenceForm form(db, QStringLiteral("reference-c"));
        clock.start();
        form.fetchAll();
        form.mapper().toLast();
        figures["go_to_last_ms"] = msSince(clock);
        require(form.text("NAME") == expected.lastName, "the last record is not shown");
        figures["peak_after_last_mib"] = peakMiB();
        clock.restart();
        for (int i = 0; i < kMoves; ++i)
            form.mapper().toPrevious();
        figures["prev_moves_ms"] = msSince(clock);
    }
    return figures;
}

} // namespace

int runReference(const BenchDatabase &db, const Expected &expected, int passes)
{
    Figures best;
    Expected pass = expected;
    for (int i = 0; i < passes; ++i) {
        pass.pass = i;
        keepBest(best, onePass(db, pass));
    }
    best["peak_end_mib"] = peakMiB();
    printFigures(best);
    return 0;
}
