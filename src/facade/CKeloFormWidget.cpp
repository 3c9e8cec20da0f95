#include "facade/CKeloFormWidget.h"

#include "data/CDataMgr.h"
#include "facade/CKeloForm.h"
#include "platform/ComError.h"
#include "platform/QtGerman.h"
#include "platform/UserMessages.h"
#include "resources/CommandTable.h"
#include "runtime/CDlgToolBar.h"
#include "runtime/CForm.h"
#include "runtime/CFormDlg.h"
#include "runtime/CFormFrame.h"
#include "runtime/CFormMgr.h"

#include <QAction>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>
#include <utility>

using namespace CommandTable;

namespace {

// The record commands a form in a host's window offers: those of the form
// dialog's tool bar, in its order, without closing (the host's window
// closes, not the form).
const QVector<int> kEmbeddedIds = {
    IdRecordFirst, IdRecordPrevious, IdRecordNext, IdRecordLast,   IdRecordNew,
    IdRecordSave,  IdRecordDelete,   IdRecordUndo, IdRecordFilter, IdRecordRemoveFilter};

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

    // The form's host inside the widget: the form frame of the dialog,
    // reporting the record cycle to the widget instead of to a dialog.
    class Frame final : public CFormFrame
    {
    public:
        Frame(const QString &document, Private &owner)
            : CFormFrame(document, nullptr), m_owner(owner)
        {}

        void recordChanged() override { m_owner.recordShown(); }
        void recordSaved(qint64 key) override { m_owner.recordSaved(key); }
        void recordDeleted(qint64 key) override { emit m_owner.q.recordDeleted(key); }
        // The host's layout decides the size; a stored form's window
        // rectangle is for the dialog only.
        void MoveWindow(const QRect &) override {}
        void SetTitle(const QString &title) override { m_title = title; }
        [[nodiscard]] QString GetTitle() const override { return m_title; }
        void EnableForm(bool enable) override
        {
            CFormFrame::EnableForm(enable);
            m_owner.updateCommandStates();
        }

    protected:
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            // A field must not take the form's own keys (Ctrl+Y would redo
            // typing instead of undoing the record).
            if (event->type() == QEvent::ShortcutOverride &&
                m_owner.isCommandKey(*static_cast<QKeyEvent *>(event)))
                return true;
            return CFormFrame::eventFilter(watched, event);
        }

    private:
        Private &m_owner;
        QString m_title;
    };

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
        struct Reset
        {
            bool &flag;
            ~Reset() { flag = false; }
        } reset{m_running};
        return work();
    }

    // A record command on the form's host (a verb of CFormParent, or work
    // on it); nothing without a form, or while the form is disabled.
    template <typename Result, typename Verb> Result command(Result none, Verb verb)
    {
        if (!frame || !frame->GetFormMgr() || !frame->IsEnabled())
            return none;
        CFormParent &host = *frame;
        const Result result = run([&host, &verb] { return std::invoke(verb, host); });
        updateCommandStates();
        updatePosition();
        return result;
    }
    void command(void (CFormParent::*verb)())
    {
        command(false, [verb](CFormParent &host) {
            (host.*verb)();
            return true;
        });
    }

    void makeToolBar()
    {
        toolBar = new CDlgToolBar(&q);
        for (int id : kEmbeddedIds) {
            QAction *action = CommandTable::createAction(id, &q);
            // The keys work while the focus is in the form, and leave the
            // host's own shortcuts alone everywhere else.
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            QObject::connect(action, &QAction::triggered, &q, [this, id] { onCommand(id); });
            q.addAction(action);
            actions.insert(id, action);
        }
        for (int id : CommandTable::toolBar(ToolBarData)) {
            if (id == IdSeparator)
                toolBar->addSeparator();
            else if (QAction *action = actions.value(id))
                toolBar->addAction(action);
        }
        position = new QLabel(toolBar);
        position->setObjectName(QStringLiteral("position"));
        position->setContentsMargins(12, 0, 6, 0);
        toolBar->addWidget(position);
    }

    void onCommand(int id)
    {
        switch (id) {
        case IdRecordFirst:
            q.first();
            break;
        case IdRecordPrevious:
            q.previous();
            break;
        case IdRecordNext:
            q.next();
            break;
        case IdRecordLast:
            q.last();
            break;
        case IdRecordNew:
            q.newRecord();
            break;
        case IdRecordSave:
            q.save();
            break;
        case IdRecordDelete:
            q.deleteRecord();
            break;
        case IdRecordUndo:
            q.undo();
            break;
        case IdRecordFilter:
            q.filter();
            break;
        case IdRecordRemoveFilter:
            q.removeFilter();
            break;
        default:
            break;
        }
    }

    [[nodiscard]] bool isCommandKey(const QKeyEvent &key) const
    {
        const QKeySequence pressed(key.keyCombination());
        // The page keys stay a note's own; the form pages with them elsewhere.
        if (pressed == QKeySequence(Qt::Key_PageUp) || pressed == QKeySequence(Qt::Key_PageDown))
            return false;
        for (const QAction *action : actions) {
            if (action->isEnabled() && !action->shortcut().isEmpty() &&
                action->shortcut() == pressed)
                return true;
        }
        return false;
    }

    void updateCommandStates()
    {
        const bool canRun = frame && frame->GetFormMgr() && frame->IsEnabled();
        for (QAction *action : std::as_const(actions))
            action->setEnabled(canRun);
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

    void updatePosition(bool countNow = false)
    {
        if (!position)
            return;
        try {
            if (countNow && records())
                records()->GetPosition(true);
            position->setText(CFormDlg::describePosition(records()));
        } catch (const ComError &) {
            // The count is a courtesy; a database that cannot answer now is
            // reported by the next command that needs it.
        }
        position->setAccessibleName(position->text());
    }

    // The form shows a record (another one, a new one, or the one just
    // stored): the host hears of it, except after a save that kept the key.
    void recordShown()
    {
        const qint64 key = currentKey();
        const bool sameAfterSave = m_justSaved && key == m_shownKey;
        m_justSaved = false;
        m_shownKey = key;
        updatePosition();
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
        Frame *old = frame.data();
        frame.clear();
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
        updateCommandStates();
        updatePosition();
    }

    CKeloFormWidget &q;
    QVBoxLayout *layout = nullptr;
    QWidget *place = nullptr; // holds the form's frame
    QVBoxLayout *placeLayout = nullptr;
    CDlgToolBar *toolBar = nullptr;
    QLabel *position = nullptr;
    QHash<int, QAction *> actions;
    QPointer<Frame> frame;
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
    d->updateCommandStates();
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
    auto *frame = new Private::Frame(document, *d);
    d->placeLayout->addWidget(frame);
    d->frame = frame;
    const bool built = d->run([frame, newRecord] { return frame->Init(newRecord); });
    if (!built) {
        d->dropForm();
        return false;
    }
    d->updateCommandStates();
    d->updatePosition();
    // The count comes once the form is up, never before the first record.
    QTimer::singleShot(0, frame, [this] { d->updatePosition(true); });
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
    return CFormDlg::describePosition(d->records());
}

qint64 CKeloFormWidget::currentKey() const
{
    return d->currentKey();
}

bool CKeloFormWidget::hasUnsavedChanges() const
{
    CFormMgr *manager = d->frame ? d->frame->GetFormMgr() : nullptr;
    CForm *form = manager ? manager->GetForm() : nullptr;
    return form && d->frame->IsEnabled() && form->isAnyControlModified();
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
    d->command(&CFormParent::DatensatzMoveFirst);
}

void CKeloFormWidget::previous()
{
    d->command(&CFormParent::DatensatzMovePrevious);
}

void CKeloFormWidget::next()
{
    d->command(&CFormParent::DatensatzMoveNext);
}

void CKeloFormWidget::last()
{
    d->command(&CFormParent::DatensatzMoveLast);
}

bool CKeloFormWidget::newRecord()
{
    return d->command(false, &CFormParent::DatensatzEinfuegen);
}

bool CKeloFormWidget::save()
{
    return d->command(false, [](CFormParent &host) { return host.DatensatzSpeichern(false); });
}

bool CKeloFormWidget::deleteRecord()
{
    return d->command(false, &CFormParent::DatensatzLoeschen);
}

void CKeloFormWidget::undo()
{
    d->command(&CFormParent::DatensatzUndo);
}

void CKeloFormWidget::filter()
{
    d->command(&CFormParent::DatensatzFiltern);
}

void CKeloFormWidget::removeFilter()
{
    d->command(&CFormParent::DatensatzRemoveFilter);
}

void CKeloFormWidget::setFilter(const QString &condition)
{
    d->command(false, [&condition](CFormParent &host) {
        host.ChangeFilter(condition);
        return true;
    });
}
