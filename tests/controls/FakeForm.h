#ifndef QRT_TESTS_CONTROLS_FAKEFORM_H
#define QRT_TESTS_CONTROLS_FAKEFORM_H

#include "controls/CDynControl.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

// A form window as the controls see it: a plain widget to live on, and a log
// of everything the controls hand to the form ("press Kunde 55,46 shift").
class FakeForm final : public FormWindowInterface
{
public:
    class Tracker final : public ControlTracker
    {
    public:
        Tracker(FakeForm &form, const QRect &rect) : m_form(form), m_rect(rect)
        {
            ++m_form.liveTrackers;
        }
        ~Tracker() override { --m_form.liveTrackers; }
        QRect rect() const override { return m_rect; }
        void setRect(const QRect &rect) override { m_rect = rect; }

    private:
        FakeForm &m_form;
        QRect m_rect;
    };

    FakeForm()
    {
        widget.resize(420, 260);
        widget.show();
    }

    QWidget *formWidget() const override { return const_cast<QWidget *>(&widget); }

    void controlPressed(CDynControl &control, const QPoint &point,
                        Qt::KeyboardModifiers modifiers) override
    {
        record(QStringLiteral("press"), control, point, modifiers);
    }
    void controlDragged(CDynControl &control, const QPoint &point,
                        Qt::KeyboardModifiers modifiers) override
    {
        record(QStringLiteral("drag"), control, point, modifiers);
    }
    void controlReleased(CDynControl &control, const QPoint &point,
                         Qt::KeyboardModifiers modifiers) override
    {
        record(QStringLiteral("release"), control, point, modifiers);
    }
    std::unique_ptr<ControlTracker> createTracker(const QRect &rect, int) override
    {
        return std::make_unique<Tracker>(*this, rect);
    }
    int selectedCount() const override
    {
        return selectedOverride >= 0 ? selectedOverride : liveTrackers;
    }
    void showSelectionMenu() override { log << QStringLiteral("selection menu"); }
    bool removeControl(CDynControl &control) override
    {
        log << QStringLiteral("remove ") + control.GetName();
        return true;
    }
    bool editControlProperties(ControlProperties &properties) override
    {
        shownProperties = properties;
        return propertiesAnswer ? propertiesAnswer(properties) : false;
    }
    void repaint() override { ++repaints; }

    QWidget widget;
    QStringList log;
    int liveTrackers = 0;
    int selectedOverride = -1; // the selection count to report, -1: the live trackers
    int repaints = 0;
    ControlProperties shownProperties;
    std::function<bool(ControlProperties &)> propertiesAnswer;

private:
    void record(const QString &what, CDynControl &control, const QPoint &point,
                Qt::KeyboardModifiers modifiers)
    {
        log << QStringLiteral("%1 %2 %3,%4%5")
                   .arg(what, control.GetName())
                   .arg(point.x())
                   .arg(point.y())
                   .arg(modifiers & Qt::ShiftModifier ? QStringLiteral(" shift") : QString());
    }
};

// A description with the rectangle given as left, top, right, bottom.
inline ControlDescription describe(const QString &caption, int left, int top, int right, int bottom,
                                   unsigned flags = ControlFlags::Left)
{
    ControlDescription description;
    description.left = left;
    description.top = top;
    description.right = right;
    description.bottom = bottom;
    description.caption = caption;
    description.flags = flags;
    description.id = 1000;
    return description;
}

#endif // QRT_TESTS_CONTROLS_FAKEFORM_H
