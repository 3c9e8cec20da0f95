#ifndef QRT_FORMDEF_FORMHOST_H
#define QRT_FORMDEF_FORMHOST_H

#include "qrt_export.h"

#include <QRect>
#include <QString>

#include <memory>

class FormWindow;
class QWidget;

// What the form builder needs of the window that hosts a form: its
// rectangle, which a stored form brings back and a save keeps; its title,
// which is the form's title; and the form window, made as a child of it.
//
// The host interface of the runtime (CFormParent) implements it; the builder
// sits below the runtime and so knows the host only as this.
class QRT_EXPORT FormHost
{
public:
    virtual ~FormHost();

    // The host window's outer rectangle in screen coordinates; right and
    // bottom lie one past the window, as the stored forms count them.
    [[nodiscard]] virtual QRect GetWindowRect() const = 0;
    // Moves and sizes the host window to rect (screen coordinates).
    virtual void MoveWindow(const QRect &rect) = 0;
    // The window that contains the form window; null before it is attached.
    [[nodiscard]] virtual QWidget *GetWnd() const = 0;
    // The host window's caption: the form's title.
    virtual void SetTitle(const QString &title) = 0;
    [[nodiscard]] virtual QString GetTitle() const = 0;

    // A new form window as a child of GetWnd() that fills it, shown, in the
    // given mode. The caller owns it.
    [[nodiscard]] virtual std::unique_ptr<FormWindow> CreateFormWindow(bool designMode) = 0;
};

#endif // QRT_FORMDEF_FORMHOST_H
