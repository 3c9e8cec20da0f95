#include "FormWatcher.h"

#include "runtime/CFormDlg.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPointer>
#include <QTimer>

FormWatcher::FormWatcher(QString picture) : m_picture(std::move(picture))
{
    qApp->installEventFilter(this);
}

FormWatcher::~FormWatcher()
{
    qApp->removeEventFilter(this);
}

bool FormWatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && !m_sawForm) {
        if (auto *dialog = qobject_cast<CFormDlg *>(watched))
            shown(dialog);
    }
    return QObject::eventFilter(watched, event);
}

void FormWatcher::shown(CFormDlg *dialog)
{
    m_sawForm = true;
    QPointer<CFormDlg> guarded(dialog);
    // After the show has finished, and after the dialog's own first count.
    QTimer::singleShot(0, this, [this, guarded] {
        if (!guarded)
            return;
        if (!guarded->GetFormHost()) {
            m_failed = true;
            guarded->reject(); // nothing to ask: there is no form
            return;
        }
        if (!m_picture.isEmpty())
            drawAndClose(guarded);
    });
}

void FormWatcher::drawAndClose(CFormDlg *dialog)
{
    dialog->updatePosition(true); // the picture shows the exact count
    // The tool bar makes room for the new text in a layout pass of its own.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    m_saved = dialog->grab().toImage().save(m_picture, "PNG");
    // The picture changes nothing: no question, nothing saved. A modal
    // dialog ends its loop; a modeless one ends the program's.
    if (dialog->isModal())
        dialog->done(QDialog::Rejected);
    else
        QCoreApplication::quit();
}
