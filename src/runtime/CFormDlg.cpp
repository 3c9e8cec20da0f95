#include "runtime/CFormDlg.h"

#include "platform/DialogUnits.h"
#include "resources/CommandTable.h"
#include "runtime/CDlgToolBar.h"
#include "runtime/CForm.h"
#include "runtime/CFormFrame.h"
#include "runtime/RecordCommands.h"
#include "xml/CXmlHelper.h"

#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>

using namespace CommandTable;

namespace {

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
    setWindowTitle(QStringLiteral("Formular[*]"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    setSizeGripEnabled(true);
    resize(DialogUnits(DialogUnits::templateFont()).size(TemplateWidth, TemplateHeight));

    CXmlHelper xml;
    if (xml.loadXml(document))
        m_bDesignMode = xml.getAttributeValue(QDomNode(), QStringLiteral("DESIGNMODUS")) ==
                        QLatin1String("true");
    m_commands = new RecordCommands(RecordCommands::all(), this, Qt::WindowShortcut);
    for (int id : RecordCommands::all())
        adoptAction(id, m_commands->action(id));
    connect(m_commands, &RecordCommands::chosen, this, [this](int id) {
        onCommand(id);
        updateCommandStates();
    });
    setOptions(WithToolBar | WithAccelerators);
    setToolBarId(m_bDesignMode ? ToolBarDesign : ToolBarData);
    setAcceleratorIds(kAccelerators);
    initBars();
    if (!m_bDesignMode)
        m_commands->addPosition(toolBar());

    auto *layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(0, 0, 0, 0);
    m_pFormHost = new CFormFrame(document, clientArea(), this, toolBar());
    layout->addWidget(m_pFormHost, 1);
    if (!m_bDesignMode)
        m_commands->addFindBar(layout);
    connect(m_pFormHost, &CFormFrame::designModeChanged, this, &CFormDlg::modeChanged);
    connect(m_pFormHost, &CFormFrame::stateChanged, this, [this] {
        updateCommandStates();
        m_commands->update();
    });
    connect(m_pFormHost, &CFormFrame::recordShown, m_commands, [this] { m_commands->update(); });
    m_commands->setFrame(m_pFormHost);
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
    m_commands->update();
    // The count comes once the form is up, never before the first record.
    if (!m_bDesignMode)
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
    if (RecordCommands::isRecordCommand(id))
        return m_commands->canRun();
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
    if (!RecordCommands::isRecordCommand(id))
        runDesignCommand(id);
    else if (m_commands->run(id) && id == IdRecordSaveAndClose)
        reject(); // asks Beenden first, which finds nothing left to save
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
    case IdDateiAddSubform:
        host->DateiAddSubform();
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
    return m_commands->positionText();
}

void CFormDlg::updatePosition(bool countNow)
{
    m_commands->update(countNow);
}
