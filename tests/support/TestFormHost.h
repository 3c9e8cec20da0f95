#ifndef QRT_TESTS_TESTFORMHOST_H
#define QRT_TESTS_TESTFORMHOST_H

#include "runtime/CFormParent.h"

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

#endif // QRT_TESTS_TESTFORMHOST_H
