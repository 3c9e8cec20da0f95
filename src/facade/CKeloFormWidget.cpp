#include "facade/CKeloFormWidget.h"

#include "data/CDataMgr.h"
#include "facade/CKeloForm.h"
#include "platform/ComError.h"
#include "platform/QtGerman.h"
#include "platform/UserMessages.h"
#include "resources/CommandTable.h"
#include "runtime/CDlgToolBar.h"
#include "runtime/CForm.h"
#include "runtime/CFormFrame.h"
#include "runtime/CFormMgr.h"
#include "runtime/RecordCommands.h"

#include <QAction>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>
#include <optional>
#include <utility>

using namespace CommandTable;

namespace {

// The record commands a form in a host's window offers: those of the form
// dialog's tool bar, in its order, without closing (the host's window
// closes, not the form).
QVector<int> embeddedIds()
{
    QVector<int> ids = RecordCommands::all();
    ids.removeAll(IdRecordSaveAndClose);
    return ids;
}

// Passes every message on to the host's interface unchanged, and tells the
// widget about those that report a failure, so that the host hears of an
// error once through its messages and once through the signal.
class ReportingMessages final : public UserMessages
{
public:
    ReportingMessages(UserMessages &target, std::function<void(const QString &)> problem)
        : m_target(target), m_problem(std::move(problem))
    {}

    void inform(const QString &text, QWidget *owner, Severity severity) override
    {
        m_target.inform(text, owner, severity);
        switch (severity) {
        case Severity::Warning:
        case Severity::Error:
            m_problem(text);
            break;
        case Severity::Information:
            break;
        }
    }
    Answer askYesNo(const QString &text, QWidget *owner, Consequence yes) override
    {
        return m_target.askYesNo(text, owner, yes);
    }
    Answer askYesNoCancel(const QString &text, QWidget *owner, Consequence yes) override
    {
        return m_target.askYesNoCancel(text, owner, yes);
    }

private:
    UserMessages &m_target;
    std::function<void(const QString &)> m_problem;
};

} // namespace

class CKeloFormWidget::Private
{
public:
    explicit Private(CKeloFormWidget &widget) : q(widget) {}

    // Runs a command with the host's messages, reporting what went wrong; a
    // command run from inside another (a host's slot on one of the signals)
    // is already under the same messages.
    template <typename Work> auto run(Work work) -> decltype(work())
    {
        if (m_running)
            return work();
        ReportingMessages reporting(m_messages ? *m_messages : UserMessages::current(),
                                    [this](const QString &text) { emit q.errorReported(text); });
        ScopedUserMessages installed(reporting);
        m_running = true;
        // However the command ends, the host hears whether the records'
        // filter or order changed.
        struct Reset
        {
            Private &d;
            const std::optional<Arrangement> before;
            ~Reset()
            {
                d.m_running = false;
                d.announce(before);
            }
        } reset{*this, arrangement()};
        return work();
    }

    // A record command on the form; nothing without a form, or while the
    // form is disabled.
    bool command(int id)
    {
        if (!commands->canRun())
            return false;
        return run([this, id] { return commands->run(id); });
    }

    void makeToolBar()
    {
        // The keys work while the focus is in the form, and leave the host's
        // own shortcuts alone everywhere else.
        const QVector<int> ids = embeddedIds();
        commands = new RecordCommands(ids, &q, Qt::WidgetWithChildrenShortcut);
        QObject::connect(commands, &RecordCommands::chosen, &q, [this](int id) { command(id); });
        toolBar = new CDlgToolBar(&q);
        for (int id : ids)
            q.addAction(commands->action(id));
        for (int id : CommandTable::toolBar(ToolBarData)) {
            if (id == IdSeparator)
                toolBar->addSeparator();
            else if (QAction *action = commands->action(id))
                toolBar->addAction(action);
        }
        commands->addPosition(toolBar);
    }

    // The filter and the order the records are shown in, beyond the host's.
    struct Arrangement
    {
        QString filter;
        CDataMgr::Sort sort;
    };
    [[nodiscard]] std::optional<Arrangement> arrangement() const
    {
        CDataMgr *data = records();
        if (!data)
            return std::nullopt;
        return Arrangement{data->UserFilter(), data->UserSort()};
    }
    void announce(const std::optional<Arrangement> &before)
    {
        const std::optional<Arrangement> now = arrangement();
        if (!before || !now)
            return; // a form opened or closed: no change of the records' arrangement
        if (now->filter != before->filter)
            emit q.filterChanged(now->filter);
        if (now->sort.column != before->sort.column ||
            now->sort.descending != before->sort.descending)
            emit q.orderChanged(now->sort.column, now->sort.descending);
    }

    [[nodiscard]] CDataMgr *records() const
    {
        CFormMgr *manager = frame ? frame->GetFormMgr() : nullptr;
        return manager ? manager->dataManager() : nullptr;
    }

    [[nodiscard]] qint64 currentKey() const
    {
        CDataMgr *data = records();
        if (!data)
            return -1;
        try {
            return data->GetCurrentKey();
        } catch (const ComError &) {
            return -1; // the next command that needs the database reports it
        }
    }

    // The form shows a record (another one, a new one, or the one just
    // stored): the host hears of it, except after a save that kept the key.
    void recordShown()
    {
        const qint64 key = currentKey();
        const bool sameAfterSave = m_justSaved && key == m_shownKey;
        m_justSaved = false;
        m_shownKey = key;
        commands->update();
        if (!sameAfterSave)
            emit q.currentRecordChanged(key);
    }

    void recordSaved(qint64 key)
    {
        m_justSaved = true;
        emit q.recordSaved(key);
    }

    void dropForm()
    {
        CFormFrame *old = frame.data();
        frame.clear();
        commands->setFrame(nullptr);
        if (old && m_running) {
            // A host's slot closes the form while one of the form's own
            // commands still runs on it: it goes once that has returned.
            old->hide();
            old->deleteLater();
        } else {
            // The form (manager, records, controls) goes before anything
            // else of the widget; its children's deletion would come too late.
            delete old;
        }
        m_shownKey = -1;
        m_justSaved = false;
    }

    CKeloFormWidget &q;
    QVBoxLayout *layout = nullptr;
    QWidget *place = nullptr; // holds the form's frame
    QVBoxLayout *placeLayout = nullptr;
    CDlgToolBar *toolBar = nullptr;
    RecordCommands *commands = nullptr; // a child of the widget
    QPointer<CFormFrame> frame;
    UserMessages *m_messages = nullptr; // not owned; null: the installed one
    bool m_running = false;             // a command runs under the reporting messages
    bool m_justSaved = false;           // the next record shown is the one just saved
    qint64 m_shownKey = -1;
};

CKeloFormWidget::CKeloFormWidget(QWidget *parent)
    : QWidget(parent), d(std::make_unique<Private>(*this))
{
    setObjectName(QStringLiteral("formWidget"));
    qrt::ensureQtGerman();
    d->layout = new QVBoxLayout(this);
    d->layout->setContentsMargins(0, 0, 0, 0);
    d->layout->setSpacing(0);
    d->makeToolBar();
    d->layout->addWidget(d->toolBar);
    // Where the form goes; it keeps the room while no form is open.
    d->place = new QWidget(this);
    d->place->setObjectName(QStringLiteral("formPlace"));
    d->placeLayout = new QVBoxLayout(d->place);
    d->placeLayout->setContentsMargins(0, 0, 0, 0);
    d->layout->addWidget(d->place, 1);
    d->commands->addFindBar(d->layout);
}

CKeloFormWidget::~CKeloFormWidget()
{
    d->dropForm();
}

bool CKeloFormWidget::open(const CKeloForm &form, const QString &filter, const QString &sort,
                           bool newRecord)
{
    if (form.document().isEmpty()) {
        d->run([this] {
            qrt::inform(QStringLiteral("Ungültige Datenbankparameter gesetzt!"), this,
                        UserMessages::Severity::Error);
            return true;
        });
        return false;
    }
    return openDocument(form.FilledDocument(CKeloForm::EntryPoint::ShowForm, filter, sort),
                        newRecord);
}

bool CKeloFormWidget::openDocument(const QString &document, bool newRecord)
{
    d->dropForm();
    auto *frame = new CFormFrame(document, d->place);
    d->placeLayout->addWidget(frame);
    d->frame = frame;
    connect(frame, &CFormFrame::recordShown, this, [this] { d->recordShown(); });
    connect(frame, &CFormFrame::recordWritten, this, [this](qint64 key) { d->recordSaved(key); });
    connect(frame, &CFormFrame::recordRemoved, this, &CKeloFormWidget::recordDeleted);
    connect(frame, &CFormFrame::stateChanged, this, [this] { d->commands->update(); });
    d->commands->setFrame(frame);
    const bool built = d->run([frame, newRecord] { return frame->Init(newRecord); });
    if (!built) {
        d->dropForm();
        return false;
    }
    d->commands->update();
    // The count comes once the form is up, never before the first record.
    QTimer::singleShot(0, frame, [this] { d->commands->update(true); });
    return true;
}

void CKeloFormWidget::close()
{
    d->dropForm();
}

bool CKeloFormWidget::isOpen() const
{
    return d->frame && d->frame->GetFormMgr();
}

void CKeloFormWidget::setToolBarVisible(bool visible)
{
    d->toolBar->setVisible(visible);
}

bool CKeloFormWidget::isToolBarVisible() const
{
    return !d->toolBar->isHidden();
}

void CKeloFormWidget::setMessages(UserMessages *messages)
{
    d->m_messages = messages;
}

UserMessages *CKeloFormWidget::messages() const
{
    return d->m_messages;
}

QString CKeloFormWidget::title() const
{
    return d->frame ? d->frame->GetTitle() : QString();
}

QString CKeloFormWidget::positionText() const
{
    return d->commands->positionText();
}

qint64 CKeloFormWidget::currentKey() const
{
    return d->currentKey();
}

void CKeloFormWidget::exportRecords()
{
    d->command(IdRecordExport);
}

void CKeloFormWidget::printRecord()
{
    d->command(IdRecordPrint);
}

void CKeloFormWidget::printPreview()
{
    d->command(IdRecordPrintPreview);
}

void CKeloFormWidget::saveAsPdf()
{
    d->command(IdRecordPdf);
}

void CKeloFormWidget::setDatasheetView(bool datasheet)
{
    d->command(datasheet ? IdViewDatasheet : IdViewForm);
}

bool CKeloFormWidget::isDatasheetView() const
{
    return d->frame && d->frame->view() == CFormFrame::View::Datasheet;
}

bool CKeloFormWidget::hasUnsavedChanges() const
{
    // A disabled form never saves, so it has nothing to lose either.
    return d->commands && d->frame && d->frame->IsEnabled() && d->commands->isRecordModified();
}

bool CKeloFormWidget::maybeSave()
{
    if (!hasUnsavedChanges())
        return true;
    return d->run([this] {
        switch (qrt::askYesNoCancel(QStringLiteral("Den aktuellen Datensatz speichern?"), this)) {
        case UserMessages::Answer::Yes:
            return save();
        case UserMessages::Answer::No:
            return true;
        case UserMessages::Answer::Cancel:
        case UserMessages::Answer::Ok:
            break;
        }
        return false;
    });
}

void CKeloFormWidget::setFormEnabled(bool enable)
{
    if (d->frame)
        d->frame->EnableForm(enable);
}

bool CKeloFormWidget::isFormEnabled() const
{
    return d->frame && d->frame->IsEnabled();
}

void CKeloFormWidget::first()
{
    d->command(IdRecordFirst);
}

void CKeloFormWidget::previous()
{
    d->command(IdRecordPrevious);
}

void CKeloFormWidget::next()
{
    d->command(IdRecordNext);
}

void CKeloFormWidget::last()
{
    d->command(IdRecordLast);
}

bool CKeloFormWidget::newRecord()
{
    return d->command(IdRecordNew);
}

bool CKeloFormWidget::save()
{
    return d->command(IdRecordSave);
}

bool CKeloFormWidget::deleteRecord()
{
    return d->command(IdRecordDelete);
}

void CKeloFormWidget::undo()
{
    d->command(IdRecordUndo);
}

void CKeloFormWidget::filter()
{
    d->command(IdRecordFilter);
}

void CKeloFormWidget::removeFilter()
{
    d->command(IdRecordRemoveFilter);
}

void CKeloFormWidget::filterBySelection(bool exclude)
{
    d->command(exclude ? IdRecordFilterExcludingSelection : IdRecordFilterBySelection);
}

void CKeloFormWidget::sortByFocusedField(bool descending)
{
    d->command(descending ? IdRecordSortDescending : IdRecordSortAscending);
}

void CKeloFormWidget::sortBy(const QString &column, bool descending)
{
    if (!d->commands->canRun())
        return;
    d->run([this, &column, descending] {
        d->frame->DatensatzSortierenNach(column, descending);
        return true;
    });
    d->commands->update();
}

void CKeloFormWidget::removeSort()
{
    d->command(IdRecordRemoveSort);
}

void CKeloFormWidget::showFindBar()
{
    d->command(IdRecordFind);
}

bool CKeloFormWidget::findRecord(const QString &text, bool forward)
{
    if (!d->commands->canRun())
        return false;
    CDataMgr::FindRequest request;
    request.text = text;
    request.forward = forward;
    const bool found = d->run([this, &request] {
        return d->frame->DatensatzSuchen(request) != CDataMgr::FindResult::NotFound;
    });
    d->commands->update();
    return found;
}

void CKeloFormWidget::goToRecord(qint64 number)
{
    if (!d->commands->canRun())
        return;
    d->run([this, number] {
        d->frame->DatensatzMoveTo(number);
        return true;
    });
    d->commands->update();
}

void CKeloFormWidget::setFilter(const QString &condition)
{
    if (!d->commands->canRun())
        return;
    d->run([this, &condition] {
        d->frame->ChangeFilter(condition);
        return true;
    });
    d->commands->update();
}
