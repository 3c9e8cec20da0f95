#include "runtime/CFormParent.h"

#include "runtime/CForm.h"

#include <QAction>
#include <QWidget>

CFormParent::CFormParent() : m_pFormMgr(std::make_unique<CFormMgr>()) {}

CFormParent::~CFormParent() = default;

void CFormParent::DeleteFormMgr()
{
    m_pFormMgr.reset();
}

QRect CFormParent::GetFormRect() const
{
    return m_pWnd ? m_pWnd->rect() : QRect();
}

std::unique_ptr<FormWindow> CFormParent::CreateFormWindow(bool designMode)
{
    auto form = std::make_unique<CForm>(this, designMode);
    // As large as the room the host window gives it; the form manager fits
    // it to its controls once they are made.
    form->setGeometry(QRect(QPoint(0, 0), m_pWnd ? m_pWnd->size() : GetWindowRect().size()));
    // Without a host window it would become a window of its own.
    if (form->parentWidget())
        form->show();
    return form;
}

void CFormParent::CheckAddStatic(bool pressed)
{
    CheckToolBarBtn(CommandAddStatic, pressed);
}

void CFormParent::CheckAddFrame(bool pressed)
{
    CheckToolBarBtn(CommandAddFrame, pressed);
}

void CFormParent::CheckToolBarBtn(int id, bool pressed)
{
    if (!m_pToolBar)
        return;
    for (QAction *action : m_pToolBar->actions()) {
        if (action->data().toInt() == id)
            action->setChecked(pressed);
    }
}
