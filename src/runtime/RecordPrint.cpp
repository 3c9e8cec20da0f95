#include "runtime/RecordPrint.h"

#include "data/CDataMgr.h"
#include "platform/ComError.h"
#include "runtime/CForm.h"
#include "runtime/CFormMgr.h"
#include "runtime/CFormParent.h"
#include "runtime/PrintedForm.h"
#include "runtime/PrintedList.h"
#include "runtime/PrintedPage.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace RecordPrint {

namespace {

// Records converted and painted at a time, for a record a page (a page of
// the list reads as many as it holds).
constexpr int kBlockRows = 64;

class Painting
{
public:
    Painting(CFormMgr &form, QPagedPaintDevice &device, const Progress &progress)
        : m_form(form), m_device(device), m_progress(progress)
    {}

    Result run(Scope scope, QString *error);

private:
    void paintCurrent(const PrintedPage &page);
    void paintEach(const PrintedPage &page);
    void paintList(const PrintedPage &page);
    // Starts page number (from 1) of pages, with its header and foot.
    void startPage(const PrintedPage &page, int number, int pages);
    // Tells of progress; false when the user cancelled.
    bool report(qint64 done);

    CFormMgr &m_form;
    QPagedPaintDevice &m_device;
    const Progress &m_progress;
    QPainter m_painter;
    qint64 m_total = 0;
    bool m_cancelled = false;
    bool m_pageRefused = false; // the device took no more pages (else reading failed)
};

Result Painting::run(Scope scope, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return Result::Failed;
    };
    CForm *window = m_form.GetForm();
    if (!window || !m_form.dataManager())
        return fail(QStringLiteral("Das Formular zeigt keine Datensätze."));
    if (!m_painter.begin(&m_device))
        return fail(QStringLiteral("Der Drucker oder die Datei nimmt keine Seiten an."));
    const CFormParent *host = window->GetHost();
    PrintedPage page(m_painter, host ? host->GetTitle() : QString());
    try {
        switch (scope) {
        case Scope::Current:
            paintCurrent(page);
            break;
        case Scope::EachRecord:
            paintEach(page);
            break;
        case Scope::List:
            paintList(page);
            break;
        }
    } catch (const ComError &failure) {
        m_painter.end();
        return fail(m_pageRefused ? failure.message()
                                  : RecordExport::unreadable(failure.message()));
    }
    if (!m_painter.end())
        return fail(QStringLiteral("Die Seiten konnten nicht fertig geschrieben werden."));
    return m_cancelled ? Result::Cancelled : Result::Written;
}

void Painting::startPage(const PrintedPage &page, int number, int pages)
{
    if (number > 1 && !m_device.newPage()) {
        m_pageRefused = true;
        throw ComError(E_FAIL, QStringLiteral("Eine neue Seite kann nicht begonnen werden."));
    }
    page.paintFrame(number, pages);
}

bool Painting::report(qint64 done)
{
    if (m_progress && !m_progress(qMin(done, m_total), qMax(done, m_total)))
        m_cancelled = true;
    return !m_cancelled;
}

void Painting::paintCurrent(const PrintedPage &page)
{
    const PrintedForm printed(*m_form.GetForm(), page);
    for (int i = 0; i < printed.pageCount(); ++i) {
        startPage(page, i + 1, printed.pageCount());
        printed.paintShown(m_painter, i);
    }
}

void Painting::paintEach(const PrintedPage &page)
{
    CForm &window = *m_form.GetForm();
    const PrintedForm printed(window, page);
    m_total = qMax<qint64>(0, m_form.dataManager()->GetPosition(true).count);
    const int pages = int(qMin<qint64>(m_total * printed.pageCount(), INT_MAX));
    int number = 0;
    qint64 done = 0;
    try {
        m_form.dataManager()->ReadAllRecords(kBlockRows, [&](const QVector<CDataMgr::Row> &block) {
            window.prepareShownTexts(block);
            for (const CDataMgr::Row &row : block) {
                if (row.deleted)
                    continue;
                for (int i = 0; i < printed.pageCount(); ++i) {
                    ++number;
                    startPage(page, number, qMax(pages, number));
                    printed.paintRecord(m_painter, i, row.fields);
                }
            }
            done += block.size();
            return report(done);
        });
    } catch (const ComError &) {
        try {
            printed.showSubformsOfShownRecord();
        } catch (const ComError &) {
            // The first failure is the one the user hears of.
        }
        throw;
    }
    printed.showSubformsOfShownRecord();
    if (number == 0)
        startPage(page, 1, 1); // no records: the page says what it is of
}

void Painting::paintList(const PrintedPage &page)
{
    CForm &window = *m_form.GetForm();
    PrintedList list(window.shownFields(), page, &m_device);
    const int perPage = list.rowsPerPage();
    m_total = qMax<qint64>(0, m_form.dataManager()->GetPosition(true).count);
    const int pages =
        int(qMin<qint64>(qMax<qint64>(1, (m_total + perPage - 1) / perPage), INT_MAX));
    int number = 0;
    qint64 done = 0;
    QVector<CDataMgr::Row> pending;
    const auto paintPage = [&] {
        ++number;
        startPage(page, number, qMax(pages, number));
        const QVector<CDataMgr::Row> rows = pending.mid(0, perPage);
        pending.remove(0, rows.size());
        list.paint(m_painter, rows);
    };
    m_form.dataManager()->ReadAllRecords(perPage, [&](const QVector<CDataMgr::Row> &block) {
        window.prepareShownTexts(block);
        for (const CDataMgr::Row &row : block) {
            if (!row.deleted)
                pending << row;
        }
        while (pending.size() >= perPage)
            paintPage();
        done += block.size();
        return report(done);
    });
    if (!m_cancelled && (!pending.isEmpty() || number == 0))
        paintPage();
}

} // namespace

Result paint(CFormMgr &form, QPagedPaintDevice &device, Scope scope, const Progress &progress,
             QString *error)
{
    Painting painting(form, device, progress);
    return painting.run(scope, error);
}

Result toPdf(CFormMgr &form, const QString &path, Scope scope, const Progress &progress,
             QString *error)
{
    const auto fail = [&](const QString &why) {
        if (error)
            *error = RecordExport::unwritable(path, why);
        return Result::Failed;
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    Result result = Result::Failed;
    QString why;
    {
        QPdfWriter writer(&file);
        // A list has the columns of a datasheet: across the page.
        writer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4),
                        scope == Scope::List ? QPageLayout::Landscape : QPageLayout::Portrait,
                        QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        writer.setResolution(600);
        writer.setCreator(QStringLiteral("qrt"));
        if (const CForm *window = form.GetForm(); window && window->GetHost())
            writer.setTitle(window->GetHost()->GetTitle());
        result = paint(form, writer, scope, progress, &why);
    }
    if (result != Result::Written) {
        file.cancelWriting();
        if (error)
            *error = why; // says itself what went wrong
        return result;
    }
    if (!file.commit())
        return fail(file.errorString());
    return Result::Written;
}

} // namespace RecordPrint
