#include "runtime/CFormDlg.h"

#include "data/CDataMgr.h"
#include "platform/ComError.h"
#include "platform/DialogUnits.h"
#include "resources/CommandTable.h"
#include "runtime/CDlgToolBar.h"
#include "runtime/CForm.h"
#include "runtime/CFormFrame.h"
#include "xml/CXmlHelper.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>

using namespace CommandTable;

namespace {

bool isRecordCommand(int id)
{
    switch (id) {
    case IdRecordNew:
    case IdRecordSave:
    case IdRecordDelete:
    case IdRecordFilter:
    case IdRecordRemoveFilter:
    case IdRecordFirst:
    case IdRecordLast:
    case IdRecordPrevious:
    case IdRecordNext:
    case IdRecordUndo:
    case IdRecordSaveAndClose:
        return true;
    default:
        return false;
    }
}

// The accelerator table of the form dialog, active in both modes (a record
// command in design mode does nothing); Ctrl+Y is the one its menu names.
const QVector<int> kAccelerators = {IdRecordFilter,   IdRecordNew,   IdRecordSaveAndClose,
                                    IdRecordSave,     IdRecordNext,  IdRecordLast,
                                    IdRecordPrevious, IdRecordFirst, IdRecordUndo};

} // namespace

CFormDlg::CFormDlg(const QString &document, bool newRecord, std::function<void()> closeRequested,
                   QWidget *parent)
    : CToolbarDlg(parent), m_closeRequested(std::move(closeRequested)), m_strDocument(document),
      m_bNewRecord(newRecord)
{
    setObjectName(QStringLiteral("formDialog"));
    setWindowTitle(QStringLiteral("Formular"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    setSizeGripEnabled(true);
    resize(DialogUnits(DialogUnits::templateFont()).size(TemplateWidth, TemplateHeight));

    CXmlHelper xml;
    if (xml.loadXml(document))
        m_bDesignMode = xml.getAttributeValue(QDomNode(), QStringLiteral("DESIGNMODUS")) ==
                        QLatin1String("true");
    setOptions(WithToolBar | WithAccelerators);
    setToolBarId(m_bDesignMode ? ToolBarDesign : ToolBarData);
    setAcceleratorIds(kAccelerators);
    initBars();
    if (toolBar() && !m_bDesignMode) {
        m_position = new QLabel(this);
        m_position->setObjectName(QStringLiteral("position"));
        m_position->setContentsMargins(12, 0, 6, 0);
        m_positionAction = toolBar()->addWidget(m_position);
    }

    auto *layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(0, 0, 0, 0);
    m_pFormHost = new CFormFrame(document, this);
    layout->addWidget(m_pFormHost);
    if (!m_pFormHost->Init(m_bNewRecord)) {
        // The dialog stays, empty with its tool bar; every command does nothing.
        delete m_pFormHost;
        m_pFormHost = nullptr;
    } else if (m_bDesignMode && toolBar()) {
        // These two stay pressed while the user draws the new element.
        toolBar()->setToggleButton(IdDateiAddStatic, true);
        toolBar()->setToggleButton(IdDateiAddFrame, true);
    }
    updateCommandStates();
    updatePosition();
    // The count comes once the form is up, never before the first record.
    if (m_position)
        QTimer::singleShot(0, this, [this] { updatePosition(true); });
}

CFormDlg::~CFormDlg()
{
    // The form (manager, records, controls) goes before the dialog's bars.
    delete m_pFormHost;
    m_pFormHost = nullptr;
}

void CFormDlg::modeChanged(bool designMode)
{
    m_bDesignMode = designMode;
    setMenu(designMode ? MenuDesign : MenuData);
    // The undo and redo commands follow the history of the form built now
    // (a rebuilt form starts a new one).
    if (QUndoStack *history = designHistory())
        connect(history, &QUndoStack::indexChanged, this, &CFormDlg::designHistoryChanged,
                Qt::UniqueConnection);
    designHistoryChanged();
}

QUndoStack *CFormDlg::designHistory() const
{
    CFormMgr *manager = m_pFormHost ? m_pFormHost->GetFormMgr() : nullptr;
    CForm *form = manager ? manager->GetForm() : nullptr;
    return form && m_bDesignMode ? form->undoStack() : nullptr;
}

void CFormDlg::designHistoryChanged()
{
    const QUndoStack *history = designHistory();
    const auto name = [](const QString &command, const QString &change, const char *key) {
        return (change.isEmpty() ? command : command + QStringLiteral(": ") + change) +
               QLatin1String(key);
    };
    commandAction(IdDesignUndo)
        ->setText(name(QStringLiteral("&Rückgängig"), history ? history->undoText() : QString(),
                       "\t<Strg>+<z>"));
    commandAction(IdDesignRedo)
        ->setText(name(QStringLiteral("&Wiederholen"), history ? history->redoText() : QString(),
                       "\t<Strg>+<y>"));
    updateCommandStates();
}

bool CFormDlg::canRun(int id) const
{
    if (id == IdAppExit)
        return true;
    if (!m_pFormHost)
        return false;
    if (isRecordCommand(id))
        return m_pFormHost->IsEnabled() && !m_pFormHost->GetDesignMode();
    if (id == IdDesignUndo || id == IdDesignRedo) {
        const QUndoStack *history = designHistory();
        return history && (id == IdDesignUndo ? history->canUndo() : history->canRedo());
    }
    return true;
}

void CFormDlg::onCommand(int id)
{
    if (id == IdAppExit) {
        // Modeless: the owner closes at once, without a question.
        if (m_closeRequested)
            askOwnerToClose();
        else
            reject();
        return;
    }
    if (!canRun(id))
        return;
    if (isRecordCommand(id))
        runRecordCommand(id);
    else
        runDesignCommand(id);
}

void CFormDlg::runRecordCommand(int id)
{
    CFormFrame *host = m_pFormHost;
    switch (id) {
    case IdRecordNew:
        host->DatensatzEinfuegen();
        break;
    case IdRecordSave:
        host->DatensatzSpeichern(false);
        break;
    case IdRecordDelete:
        host->DatensatzLoeschen();
        break;
    case IdRecordFilter:
        host->DatensatzFiltern();
        break;
    case IdRecordRemoveFilter:
        host->DatensatzRemoveFilter();
        break;
    case IdRecordFirst:
        host->DatensatzMoveFirst();
        break;
    case IdRecordLast:
        host->DatensatzMoveLast();
        break;
    case IdRecordPrevious:
        host->DatensatzMovePrevious();
        break;
    case IdRecordNext:
        host->DatensatzMoveNext();
        break;
    case IdRecordUndo:
        host->DatensatzUndo();
        break;
    case IdRecordSaveAndClose:
        if (host->DatensatzSpeichern(false))
            reject(); // asks Beenden first, which finds nothing left to save
        break;
    default:
        break;
    }
    updatePosition();
}

void CFormDlg::runDesignCommand(int id)
{
    CFormFrame *host = m_pFormHost;
    switch (id) {
    case IdDateiNeu:
        host->DateiNeu();
        break;
    case IdDateiResize:
        host->DateiResize();
        break;
    case IdDateiSpeichern:
        host->DateiSpeichern();
        break;
    case IdDateiTabOrder:
        host->DateiTabOrder();
        break;
    case IdDateiAddStatic:
        host->DateiAddStatic();
        break;
    case IdDateiAddFrame:
        host->DateiAddFrame();
        break;
    case IdAlignLeft:
        host->Ausrichten(CFormMgr::LINKS, false);
        break;
    case IdAlignRight:
        host->Ausrichten(CFormMgr::RECHTS, false);
        break;
    case IdAlignTop:
        host->Ausrichten(CFormMgr::OBEN, false);
        break;
    case IdAlignBottom:
        host->Ausrichten(CFormMgr::UNTEN, false);
        break;
    case IdAlignLeftRaster:
        host->Ausrichten(CFormMgr::LINKS, true);
        break;
    case IdAlignRightRaster:
        host->Ausrichten(CFormMgr::RECHTS, true);
        break;
    case IdAlignTopRaster:
        host->Ausrichten(CFormMgr::OBEN, true);
        break;
    case IdAlignBottomRaster:
        host->Ausrichten(CFormMgr::UNTEN, true);
        break;
    case IdDesignUndo:
        if (QUndoStack *history = designHistory())
            history->undo();
        break;
    case IdDesignRedo:
        if (QUndoStack *history = designHistory())
            history->redo();
        break;
    default:
        break;
    }
}

bool CFormDlg::mayClose()
{
    return !m_pFormHost || m_pFormHost->Beenden();
}

void CFormDlg::reject()
{
    if (!mayClose())
        return; // the user chose to stay
    if (m_closeRequested) {
        askOwnerToClose();
        return;
    }
    // Closing a form that may close is its normal end, as with OK.
    QDialog::accept();
}

bool CFormDlg::isCommandKey(const QKeyEvent &key) const
{
    const QKeySequence pressed(key.keyCombination());
    if (pressed == QKeySequence(Qt::Key_PageUp) || pressed == QKeySequence(Qt::Key_PageDown))
        return false;
    for (int id : kAccelerators) {
        const QAction *action = const_cast<CFormDlg *>(this)->commandAction(id);
        if (action->isEnabled() && action->shortcut() == pressed)
            return true;
    }
    return false;
}

void CFormDlg::askOwnerToClose()
{
    // The owner destroys this dialog: not from inside one of its own
    // handlers, which still run on it, but once they have returned. The
    // timer goes with the dialog when the owner is quicker.
    hide();
    QTimer::singleShot(0, this, [callback = m_closeRequested] { callback(); });
}

QString CFormDlg::positionText() const
{
    CFormMgr *manager = m_pFormHost ? m_pFormHost->GetFormMgr() : nullptr;
    return describePosition(manager ? manager->dataManager() : nullptr);
}

QString CFormDlg::describePosition(CDataMgr *records)
{
    if (!records)
        return QString();
    const CDataMgr::Position position = records->GetPosition(false);
    // While the engine still counts, say so once, without a placeholder
    // number the user might take for a figure.
    const bool counted = position.count >= 0;
    if (position.newRecord)
        return counted ? QStringLiteral("Neuer Datensatz (%1 vorhanden)").arg(position.count)
                       : QStringLiteral("Neuer Datensatz (Anzahl wird ermittelt)");
    // Near the end of a long list the number is counted back from the count.
    if (position.number <= 0)
        return counted
                   ? QStringLiteral("Position wird ermittelt (%1 vorhanden)").arg(position.count)
                   : QStringLiteral("Position wird ermittelt");
    return counted ? QStringLiteral("Datensatz %1 von %2").arg(position.number).arg(position.count)
                   : QStringLiteral("Datensatz %1 (Anzahl wird ermittelt)").arg(position.number);
}

void CFormDlg::updatePosition(bool countNow)
{
    if (!m_position)
        return;
    try {
        if (countNow && m_pFormHost && m_pFormHost->GetFormMgr() &&
            m_pFormHost->GetFormMgr()->dataManager())
            m_pFormHost->GetFormMgr()->dataManager()->GetPosition(true);
        m_position->setText(positionText());
        toolBar()->layout()->invalidate(); // a label hidden behind "»" would not ask
    } catch (const ComError &) {
        // The count is a courtesy: a database that cannot answer now is
        // reported by the next command that needs it, not by the count.
    }
    m_position->setAccessibleName(m_position->text());
}
