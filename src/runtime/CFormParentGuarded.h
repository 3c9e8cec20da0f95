#ifndef QRT_RUNTIME_CFORMPARENTGUARDED_H
#define QRT_RUNTIME_CFORMPARENTGUARDED_H

// The frame around every command verb of the form host, for the files that
// define them.

#include "platform/ComError.h"
#include "platform/UserMessages.h"
#include "runtime/CFormParent.h"

template <typename Result, typename Work> Result CFormParent::guarded(Result onError, Work work)
{
    if (!m_pFormMgr)
        return onError;
    try {
        return work(*m_pFormMgr);
    } catch (const ComError &error) {
        // One message, modal to the form; whatever the user entered stays in
        // the controls.
        qrt::inform(error.systemText() + QStringLiteral("\r\n") + error.description(), GetWnd(),
                    UserMessages::Severity::Error);
        return onError;
    }
}

#endif // QRT_RUNTIME_CFORMPARENTGUARDED_H
