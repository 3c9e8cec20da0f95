#include "runtime/RecordCommands.h"

#include "data/CDataMgr.h"
#include "platform/ComError.h"
#include "resources/CommandTable.h"
#include "runtime/CForm.h"
#include "runtime/CFormFrame.h"
#include "runtime/CFormMgr.h"
#include "runtime/Datasheet.h"
#include "runtime/FindBar.h"
#include "runtime/PositionField.h"

#include <QAction>
#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QWidget>

#include <utility>

using namespace CommandTable;

RecordCommands::RecordCommands(const QVector<int> &ids, QWidget *owner, Qt::ShortcutContext context)
    : QObject(owner), m_ids(ids)
{
    for (int id : ids) {
        QAction *action = CommandTable::createAction(id, owner);
        action->setShortcutContext(context);
        // Its key works in the window whether a menu or a button shows it
        // or not (F3 has neither).
        owner->addAction(action);
        if (id == IdViewForm || id == IdViewDatasheet)
            action->setCheckable(true); // shows the view the records are in
        connect(action, &QAction::triggered, this, [this, id] { emit chosen(id); });
        m_actions.insert(id, action);
    }
    update();
}

RecordCommands::~RecordCommands() = default;

const QVector<int> &RecordCommands::all()
{
    static const QVector<int> ids = {IdViewForm,
                                     IdViewDatasheet,
                                     IdRecordFirst,
                                     IdRecordPrevious,
                                     IdRecordNext,
                                     IdRecordLast,
                                     IdRecordNew,
                                     IdRecordSave,
                                     IdRecordDelete,
                                     IdRecordUndo,
                                     IdRecordFilter,
                                     IdRecordFilterBySelection,
                                     IdRecordFilterExcludingSelection,
                                     IdRecordRemoveFilter,
                                     IdRecordSortAscending,
                                     IdRecordSortDescending,
                                     IdRecordRemoveSort,
                                     IdRecordGoTo,
                                     IdRecordFind,
                                     IdRecordFindNext,
                                     IdRecordFindPrevious,
                                     IdRecordExport,
                                     IdRecordPrint,
                                     IdRecordPrintPreview,
                                     IdRecordPdf,
                                     IdRecordSaveAndClose};
    return ids;
}

void RecordCommands::setFrame(CFormFrame *frame)
{
    if (m_frame)
        disconnect(m_frame, nullptr, this, nullptr);
    m_frame = frame;
    if (frame) {
        frame->setCommands(this);
        connect(frame, &CFormFrame::modifiedChanged, this, [this] { update(); });
        connect(frame, &CFormFrame::viewChanged, this, [this] { update(); });
    }
    update();
}

bool RecordCommands::canRun() const
{
    return m_frame && m_frame->GetFormMgr() && m_frame->IsEnabled() && !m_frame->GetDesignMode();
}

bool RecordCommands::run(int id)
{
    if (!canRun())
        return false;
    CFormParent &host = *m_frame;
    bool done = true;
    switch (id) {
    case IdRecordNew:
        done = host.DatensatzEinfuegen();
        break;
    case IdRecordSave:
    case IdRecordSaveAndClose:
        done = host.DatensatzSpeichern(false);
        break;
    case IdRecordDelete:
        // The records selected in the datasheet, or the one shown.
        if (Datasheet *sheet =
                m_frame->view() == CFormFrame::View::Datasheet ? m_frame->datasheet() : nullptr;
            sheet && sheet->hasSelectedRecords())
            done = sheet->deleteSelectedRecords();
        else
            done = host.DatensatzLoeschen();
        break;
    case IdRecordFilter:
        host.DatensatzFiltern();
        break;
    case IdRecordFilterBySelection:
    case IdRecordFilterExcludingSelection:
        host.DatensatzFilterNachAuswahl(id == IdRecordFilterExcludingSelection);
        break;
    case IdRecordRemoveFilter:
        host.DatensatzRemoveFilter();
        break;
    case IdRecordFirst:
        host.DatensatzMoveFirst();
        break;
    case IdRecordLast:
        host.DatensatzMoveLast();
        break;
    case IdRecordPrevious:
        host.DatensatzMovePrevious();
        break;
    case IdRecordNext:
        host.DatensatzMoveNext();
        break;
    case IdRecordUndo:
        host.DatensatzUndo();
        break;
    case IdRecordSortAscending:
    case IdRecordSortDescending:
        host.DatensatzSortieren(id == IdRecordSortDescending);
        break;
    case IdRecordRemoveSort:
        host.DatensatzSortierungEntfernen();
        break;
    case IdRecordFind:
        if (m_findBar) {
            const QString column = m_frame->GetFormMgr()->focusedColumn();
            m_findBar->open(column, m_frame->GetFormMgr()->fieldCaption(column));
        }
        break;
    case IdRecordFindNext:
    case IdRecordFindPrevious:
        find(id == IdRecordFindNext);
        break;
    case IdViewForm:
        m_frame->setView(CFormFrame::View::Form);
        break;
    case IdViewDatasheet:
        // The tool bar's one button for both views switches back, as does
        // the key pressed again.
        m_frame->setView(m_frame->view() == CFormFrame::View::Datasheet
                             ? CFormFrame::View::Form
                             : CFormFrame::View::Datasheet);
        break;
    case IdRecordExport:
        host.DatensatzExportieren();
        break;
    case IdRecordPrint:
        host.DatensatzDrucken();
        break;
    case IdRecordPrintPreview:
        host.DatensatzSeitenansicht();
        break;
    case IdRecordPdf:
        host.DatensatzAlsPdf();
        break;
    case IdRecordGoTo:
        // A number typed into the position goes there; the key puts the
        // user into the position. Either way the user is there after it.
        if (const qint64 number = std::exchange(m_requestedNumber, 0); number > 0)
            host.DatensatzMoveTo(number);
        if (m_position)
            m_position->focusNumber();
        break;
    default:
        done = false;
        break;
    }
    update();
    return done;
}

bool RecordCommands::isCommandKey(const QKeyEvent &key) const
{
    const QKeySequence pressed(key.keyCombination());
    if (pressed == QKeySequence(Qt::Key_PageUp) || pressed == QKeySequence(Qt::Key_PageDown))
        return false;
    for (const QAction *action : m_actions) {
        if (action->isEnabled() && !action->shortcut().isEmpty() && action->shortcut() == pressed)
            return true;
    }
    return false;
}

void RecordCommands::addPosition(QToolBar *toolBar)
{
    if (m_position || !toolBar)
        return;
    m_position = new PositionField(toolBar);
    m_position->setObjectName(QStringLiteral("position"));
    connect(m_position, &PositionField::numberEntered, this, [this](qint64 number) {
        m_requestedNumber = number;
        emit chosen(IdRecordGoTo);
        m_requestedNumber = 0; // a window that did not run it
    });
    toolBar->addWidget(m_position);
    m_state = new QLabel(toolBar);
    m_state->setObjectName(QStringLiteral("recordState"));
    m_state->setContentsMargins(6, 0, 6, 0);
    // Set apart from the position, which is always there.
    QFont bold = m_state->font();
    bold.setBold(true);
    m_state->setFont(bold);
    toolBar->addWidget(m_state);
    update();
}

void RecordCommands::addFindBar(QBoxLayout *layout)
{
    if (m_findBar || !layout)
        return;
    m_findBar = new FindBar(layout->parentWidget());
    layout->addWidget(m_findBar);
    // The bar's buttons and Enter run as the keys do, inside the window.
    connect(m_findBar, &FindBar::searchRequested, this, [this](bool forward) {
        emit chosen(forward ? IdRecordFindNext : IdRecordFindPrevious);
    });
}

FindBar *RecordCommands::findBar() const
{
    return m_findBar;
}

void RecordCommands::find(bool forward)
{
    if (!m_findBar)
        return;
    CFormMgr &manager = *m_frame->GetFormMgr();
    // F3 in a field searches that field from now on; with nothing to look
    // for yet, it opens the bar.
    if (const QString column = manager.focusedColumn(); !column.isEmpty())
        m_findBar->setColumn(column, manager.fieldCaption(column));
    if (m_findBar->text().isEmpty()) {
        m_findBar->open(m_findBar->column(), manager.fieldCaption(m_findBar->column()));
        return;
    }
    m_findBar->show();
    CDataMgr::FindRequest request;
    if (!m_findBar->column().isEmpty())
        request.columns << m_findBar->column();
    request.text = m_findBar->text();
    request.match = m_findBar->match();
    request.forward = forward;
    switch (m_frame->DatensatzSuchen(request)) {
    case CDataMgr::FindResult::NotFound:
        m_findBar->setNote(QStringLiteral("„%1“ wurde nicht gefunden.").arg(request.text));
        break;
    case CDataMgr::FindResult::FoundAfterWrap:
        m_findBar->setNote(forward ? QStringLiteral("Nach dem letzten Datensatz wurde beim "
                                                    "ersten weitergesucht.")
                                   : QStringLiteral("Vor dem ersten Datensatz wurde beim letzten "
                                                    "weitergesucht."));
        break;
    case CDataMgr::FindResult::Found:
        m_findBar->setNote(QString());
        break;
    }
}

CDataMgr *RecordCommands::records() const
{
    CFormMgr *manager = m_frame ? m_frame->GetFormMgr() : nullptr;
    return manager ? manager->dataManager() : nullptr;
}

RecordCommands::PositionParts RecordCommands::positionParts() const
{
    CDataMgr *data = records();
    if (!data)
        return {};
    const CDataMgr::Position position = data->GetPosition(false);
    // While the engine still counts, say so once, without a placeholder
    // number the user might take for a figure.
    const bool counted = position.count >= 0;
    const QString count = QString::number(position.count);
    if (position.newRecord)
        return {QStringLiteral("Neuer Datensatz"), QString(),
                counted ? QStringLiteral("(%1 vorhanden)").arg(count)
                        : QStringLiteral("(Anzahl wird ermittelt)")};
    // Near the end of a long list the number is counted back from the count.
    if (position.number <= 0)
        return {QStringLiteral("Position wird ermittelt"), QString(),
                counted ? QStringLiteral("(%1 vorhanden)").arg(count) : QString()};
    return {QStringLiteral("Datensatz"), QString::number(position.number),
            counted ? QStringLiteral("von %1").arg(count)
                    : QStringLiteral("(Anzahl wird ermittelt)")};
}

QString RecordCommands::positionText() const
{
    const PositionParts parts = positionParts();
    QStringList words;
    for (const QString &part : {parts.before, parts.number, parts.after}) {
        if (!part.isEmpty())
            words << part;
    }
    return words.join(QLatin1Char(' '));
}

bool RecordCommands::isRecordModified() const
{
    CFormMgr *manager = m_frame && !m_frame->GetDesignMode() ? m_frame->GetFormMgr() : nullptr;
    return manager && manager->GetForm() && manager->GetForm()->isAnyControlModified();
}

QVector<RecordCommands::Sign> RecordCommands::signs() const
{
    QVector<Sign> result;
    if (isRecordModified())
        result.append({QStringLiteral("geändert"),
                       QStringLiteral("Der Datensatz hat Änderungen, die noch nicht gespeichert "
                                      "sind.")});
    if (CDataMgr *data = records()) {
        if (const QString filter = data->UserFilter(); !filter.isEmpty())
            result.append({QStringLiteral("gefiltert"),
                           QStringLiteral("Gefiltert: %1").arg(filter.trimmed())});
        if (const CDataMgr::Sort sort = data->UserSort(); !sort.column.isEmpty())
            result.append({QStringLiteral("sortiert"),
                           QStringLiteral("Sortiert nach %1 (%2)")
                               .arg(sort.column, sort.descending ? QStringLiteral("absteigend")
                                                                 : QStringLiteral("aufsteigend"))});
        if (data->IsReadOnly())
            result.append({QStringLiteral("schreibgeschützt"),
                           QStringLiteral("Die Datensätze können nur gelesen werden.")});
    }
    return result;
}

void RecordCommands::update(bool countNow)
{
    const bool enabled = canRun();
    for (QAction *action : std::as_const(m_actions))
        action->setEnabled(enabled);
    const bool datasheet = m_frame && m_frame->view() == CFormFrame::View::Datasheet;
    if (QAction *form = m_actions.value(IdViewForm))
        form->setChecked(!datasheet);
    if (QAction *table = m_actions.value(IdViewDatasheet))
        table->setChecked(datasheet);
    // The window's title gets its "*" where it has Qt's "[*]" for it (a
    // host's window without one is left alone).
    if (auto *owner = qobject_cast<QWidget *>(parent())) {
        QWidget *window = owner->window();
        if (window->windowTitle().contains(QStringLiteral("[*]")) || window->isWindowModified())
            window->setWindowModified(isRecordModified());
    }
    if (m_state) {
        QStringList words;
        QStringList sentences;
        for (const Sign &sign : signs()) {
            words << sign.word;
            sentences << sign.sentence;
        }
        const QString state = words.join(QStringLiteral(" · "));
        m_state->setText(state);
        // As plain text: a filter such as "Preis<50 AND Name='<b>'" is no markup.
        m_state->setToolTip(sentences.isEmpty()
                                ? QString()
                                : Qt::convertFromPlainText(sentences.join(QLatin1Char('\n'))));
        // Read aloud as what it is, and again whenever it changes.
        m_state->setAccessibleName(state.isEmpty() ? QString()
                                                   : QStringLiteral("Status: ") + state);
    }
    if (!m_position)
        return;
    try {
        if (countNow && records())
            records()->GetPosition(true);
        // A record reached without the keys before it (go to, sort, find)
        // has its number counted once it is shown.
        if (CDataMgr *data = records(); data && !countNow && !m_countPending) {
            const CDataMgr::Position position = data->GetPosition(false);
            if (!position.newRecord && position.number < 0) {
                m_countPending = true;
                QTimer::singleShot(0, this, [this] {
                    m_countPending = false;
                    update(true);
                });
            }
        }
        const PositionParts parts = positionParts();
        m_position->setPosition(parts.before, parts.number, parts.after);
        // A field hidden behind the tool bar's "»" would not ask for room.
        if (QWidget *bar = m_position->parentWidget(); bar && bar->layout())
            bar->layout()->invalidate();
    } catch (const ComError &) {
        // The count is a courtesy: a database that cannot answer now is
        // reported by the next command that needs it, not by the count.
    }
}
