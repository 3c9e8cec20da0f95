#include "runtime/CFormFrame.h"

#include "controls/CDynControl.h"
#include "controls/CDynSubform.h"
#include "platform/ComError.h"
#include "platform/UserMessages.h"
#include "runtime/CDlgToolBar.h"
#include "runtime/CForm.h"
#include "runtime/Datasheet.h"
#include "runtime/DatasheetModel.h"
#include "runtime/RecordCommands.h"
#include "runtime/Subform.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>

CFormFrame::CFormFrame(const QString &document, QWidget *parent, QWidget *window, QToolBar *toolBar)
    : CScrollWnd(parent), m_strDocument(document), m_window(window)
{
    SetToolBar(toolBar);
    setObjectName(QStringLiteral("formFrame"));
    // The fields take the keys, or in design mode the form window; the frame
    // around them is no stop of its own when tabbing.
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(QStringLiteral("Formular"));
    // Tabbing through the fields keeps the focused one in view.
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { focusMoved(now); });
}

CFormFrame::~CFormFrame()
{
    // Forms inside this one go first: they live on its form window.
    m_subforms.clear();
    // The columns the user just arranged are stored while the form can; the
    // datasheet, which reads the form, goes before it.
    if (m_datasheet)
        m_datasheet->storeColumns();
    delete m_datasheet;
    m_datasheet = nullptr;
    // The form manager, and with it the form window and its controls, goes
    // while this window (their parent) still stands.
    DeleteFormMgr();
}

bool CFormFrame::Init(bool newRecord)
{
    AttachWindow();
    bool built = false;
    try {
        built = GetFormMgr() && GetFormMgr()->CreateForm(this, m_strDocument, newRecord);
    } catch (const ComError &error) {
        // Opening the records failed after the form was made.
        qrt::inform(error.message(), GetWnd(), UserMessages::Severity::Error);
    }
    if (!built) {
        qrt::inform(QStringLiteral("Der Formulargenerator konnte nicht initialisiert werden!"),
                    GetWnd(), UserMessages::Severity::Error);
        DeleteFormMgr();
        return false;
    }
    if (CForm *form = GetFormMgr()->GetForm()) {
        SetDocumentRect(form->calcExtent());
        if (!GetFormMgr()->GetDesignMode()) {
            for (CDynControl *control : form->controls()) {
                if (auto *subform = qobject_cast<CDynSubform *>(control))
                    m_subforms.push_back(std::make_unique<Subform>(*subform, *this, m_strDocument));
            }
        }
    }
    ResetScrolling();
    UpdateScrollBars();
    return true;
}

QRect CFormFrame::GetWindowRect() const
{
    const QWidget *window = m_window ? m_window : this;
    // A window placed before it was shown had no frame yet, so its frame
    // came on top of the stored size; as long as it stands where it was put,
    // the stored rectangle is its rectangle, or each save would grow the
    // form by the frame.
    if (!m_appliedOuter.isNull() && window->pos() == m_appliedOuter.topLeft() &&
        window->size() == m_appliedSize)
        return m_appliedOuter;
    return window->frameGeometry();
}

void CFormFrame::MoveWindow(const QRect &rect)
{
    // The host's layout decides the size of a frame without a window.
    QWidget *window = m_window;
    if (!window)
        return;
    // The rectangle is the outer one; the window manager's frame comes off it.
    const QSize frame = window->frameGeometry().size() - window->geometry().size();
    window->move(rect.topLeft());
    window->resize((rect.size() - frame).expandedTo(window->minimumSize()));
    m_appliedOuter = rect;
    m_appliedSize = window->size();
    window->update();
}

void CFormFrame::SetDesignMode(bool designMode)
{
    m_bDesignMode = designMode;
    emit designModeChanged(designMode);
}

void CFormFrame::SetTitle(const QString &title)
{
    m_title = title;
    // "[*]" is where Qt puts the "*" of unsaved changes (setWindowModified);
    // one the title holds itself is written twice to stay as it is.
    if (m_window)
        m_window->setWindowTitle(
            QString(title).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")) +
            QStringLiteral("[*]"));
}

QString CFormFrame::GetTitle() const
{
    if (!m_window)
        return m_title;
    QString title = m_window->windowTitle();
    // Doubled ones are the title's own; the one left over is the marker's.
    if (title.count(QStringLiteral("[*]")) % 2 == 1 && title.endsWith(QStringLiteral("[*]")))
        title.chop(3);
    return title.replace(QStringLiteral("[*][*]"), QStringLiteral("[*]"));
}

void CFormFrame::EnableForm(bool enable)
{
    CFormParent::EnableForm(enable);
    if (m_datasheet)
        m_datasheet->setEnabled(enable);
    if (CFormMgr *manager = GetFormMgr()) {
        if (CForm *form = manager->GetForm()) {
            for (CDynControl *control : form->controls()) {
                if (QWidget *window = control->GetWindow())
                    window->setEnabled(enable);
            }
        }
    }
    emit stateChanged();
}

void CFormFrame::MakePointVisible(int x, int y)
{
    const QPoint scrolled(scrollPosition().x() * ScrollSteps::kHorizontalUnit,
                          scrollPosition().y() * ScrollSteps::kVerticalUnit);
    const QRect visible(scrolled, viewport()->size());
    if (!visible.contains(x, y)) {
        ScrollTo(QPoint(0, y));
        update();
    }
}

void CFormFrame::AttachWindow()
{
    m_pWnd = this;
}

void CFormFrame::recordChanged()
{
    if (m_datasheet)
        m_datasheet->recordShown();
    emit recordShown();
}

void CFormFrame::recordSaved(qint64 key)
{
    if (m_datasheet)
        m_datasheet->recordWritten();
    emit recordWritten(key);
}

void CFormFrame::recordModifiedChanged()
{
    if (m_datasheet)
        m_datasheet->modifiedChanged();
    emit modifiedChanged();
}

QString CFormFrame::cursorColumn() const
{
    return m_datasheetShown ? m_datasheet->currentColumn() : QString();
}

bool CFormFrame::putCursorInColumn(const QString &column)
{
    if (!m_datasheetShown)
        return false;
    m_datasheet->setFocus(Qt::OtherFocusReason);
    return m_datasheet->setCurrentColumn(column);
}

void CFormFrame::setView(View view)
{
    CFormMgr *manager = GetFormMgr();
    if (view == this->view() || !manager || GetDesignMode())
        return;
    if (view == View::Datasheet) {
        const QString column = manager->focusedColumn();
        if (!m_datasheet)
            m_datasheet = new Datasheet(*this, this);
        else
            m_datasheet->records()->reload(); // what changed while the form was shown
        m_datasheetShown = true;
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        viewport()->hide();
        placeDatasheet();
        m_datasheet->show();
        m_datasheet->raise();
        m_datasheet->setEnabled(IsEnabled());
        m_datasheet->setFocus(Qt::OtherFocusReason);
        if (!column.isEmpty())
            m_datasheet->setCurrentColumn(column);
    } else {
        const QString column = m_datasheet->currentColumn();
        m_datasheetShown = false;
        m_datasheet->hide();
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        viewport()->show();
        UpdateScrollBars();
        manager->focusField(column);
    }
    emit viewChanged();
}

void CFormFrame::placeDatasheet()
{
    if (m_datasheet)
        m_datasheet->setGeometry(rect());
}

void CFormFrame::recordDeleted(qint64 key)
{
    emit recordRemoved(key);
}

std::unique_ptr<FormWindow> CFormFrame::CreateFormWindow(bool designMode)
{
    auto form = std::make_unique<CForm>(this, designMode);
    form->resize(viewport()->size());
    setContents(form.get());
    return form;
}

bool CFormFrame::event(QEvent *event)
{
    if (event->type() == FormSizeEvent::kType) {
        const auto *size = static_cast<FormSizeEvent *>(event);
        SetDesignMode(size->designMode());
        SetDocumentRect(QRect(QPoint(0, 0), size->extent()));
        ScrollTo(QPoint(0, 0));
        return true;
    }
    return CScrollWnd::event(event);
}

void CFormFrame::resizeEvent(QResizeEvent *event)
{
    CScrollWnd::resizeEvent(event);
    placeDatasheet();
    CForm *form = GetFormMgr() ? GetFormMgr()->GetForm() : nullptr;
    if (!form)
        return;
    // The form window fills what the host shows and is never smaller than
    // its controls need.
    form->resize(form->extent().size().expandedTo(viewport()->size()));
    UpdateScrollBars();
}

bool CFormFrame::eventFilter(QObject *watched, QEvent *event)
{
    // A field asks whether it may take a key before the dialog's shortcuts
    // see it; the form's own keys it does not get.
    if (event->type() == QEvent::ShortcutOverride && m_commands &&
        m_commands->isCommandKey(*static_cast<QKeyEvent *>(event)))
        return true;
    return CScrollWnd::eventFilter(watched, event);
}

void CFormFrame::focusMoved(QWidget *now)
{
    CForm *form = GetFormMgr() ? GetFormMgr()->GetForm() : nullptr;
    if (!now || !form || GetDesignMode() || !form->isAncestorOf(now))
        return;
    now->installEventFilter(this); // once: a second install replaces the first
    // The whole field in view where it fits: scrolled no further than needed,
    // so that tabbing down a long form moves it a field at a time, and a
    // field taller or wider than the view shows its top-left corner.
    const QRect field(now->mapTo(form, QPoint(0, 0)), now->size());
    const QSize view = viewport()->size();
    const QPoint scrolled(scrollPosition().x() * ScrollSteps::kHorizontalUnit,
                          scrollPosition().y() * ScrollSteps::kVerticalUnit);
    const auto along = [](int start, int length, int from, int size, int unit) {
        if (start < from || length > size)
            return start; // its start at the view's start
        if (start + length > from + size)
            return start + length - size + unit - 1; // its end at the view's end, rounded up
        return from;
    };
    const QPoint target(along(field.left(), field.width(), scrolled.x(), view.width(),
                              ScrollSteps::kHorizontalUnit),
                        along(field.top(), field.height(), scrolled.y(), view.height(),
                              ScrollSteps::kVerticalUnit));
    if (target != scrolled) {
        ScrollTo(target);
        update();
    }
}
