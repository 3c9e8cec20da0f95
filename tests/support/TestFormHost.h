#ifndef QRT_TESTS_TESTFORMHOST_H
#define QRT_TESTS_TESTFORMHOST_H

#include "controls/CDynControl.h"
#include "formdef/CFormBuilder.h"
#include "formdef/FormWindow.h"
#include "runtime/CFormParent.h"

#include <QStringList>
#include <QWidget>

// A host window for a form, as small as the host interface allows: a plain
// top-level widget whose rectangle, title and mode are what the form says
// they are. Its rectangle is the outer one, frame included, both ways.
class TestFormHost : public QWidget, public CFormParent
{
public:
    explicit TestFormHost(QSize size = QSize(640, 480))
    {
        resize(size);
        AttachWindow();
    }

    QRect GetWindowRect() const override { return frameGeometry(); }
    void MoveWindow(const QRect &rect) override
    {
        const QRect outer = frameGeometry();
        const QRect inner = geometry();
        setGeometry(rect.adjusted(inner.left() - outer.left(), inner.top() - outer.top(),
                                  inner.right() - outer.right(), inner.bottom() - outer.bottom()));
    }
    void SetDesignMode(bool designMode) override { m_bDesignMode = designMode; }
    void SetTitle(const QString &title) override { setWindowTitle(title); }
    QString GetTitle() const override { return windowTitle(); }
    void MakePointVisible(int x, int y) override { lastVisiblePoint = QPoint(x, y); }
    void AttachWindow() override { m_pWnd = this; }

    using CFormParent::SetToolBar;

    QPoint lastVisiblePoint;
};

// A builder without a database: its pool and form, made the automatic way.
class PoolBuilder final : public CFormBuilder
{
public:
    bool SaveForm() override { return true; }
    void DeleteForm(const QString &) override {}
    void AddHiddenFields() override {}
};

// The names of the controls on a form, in its order.
inline QStringList namesOn(const FormWindow *form)
{
    QStringList names;
    for (const CDynControl *control : form->controls())
        names << control->GetName();
    return names;
}

// The records of the controls on a form, in its order, as a save writes them.
inline QStringList layoutOf(const FormWindow *form)
{
    QStringList records;
    for (const CDynControl *control : form->controls())
        records << control->GetControlInfo();
    return records;
}

#endif // QRT_TESTS_TESTFORMHOST_H
