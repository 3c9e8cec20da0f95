#ifndef QRT_CONTROLS_CDYNFRAME_H
#define QRT_CONTROLS_CDYNFRAME_H

#include "controls/CDynControl.h"

class QGroupBox;

// A frame: a group box with a title that groups fields, holding no value.
// It lies behind all other controls, and presses on it pass through to the
// form, which grabs the frame only near its border (HitTest), so that the
// fields inside stay clickable. Its name ends in "_RAHMEN" unless given.
class QRT_EXPORT CDynFrame : public CDynControl
{
    Q_OBJECT

public:
    using CDynControl::CDynControl;

    [[nodiscard]] int GetTyp() const override { return int(ControlKind::Frame); }
    void ClearValue() override {}
    // Below its siblings in both modes; never a tab stop.
    void Show() override;
    // Within 5 pixels of the left or right or 10 of the top or bottom edge.
    [[nodiscard]] bool HitTest(int x, int y) const override;

    [[nodiscard]] QString WindowText() const override;
    void SetWindowText(const QString &text) override;

protected:
    QWidget *MakeWindow(QWidget *parent, const ControlDescription &description) override;
    void FinishCreate(const ControlDescription &description) override;

private:
    [[nodiscard]] QGroupBox *box() const;
};

#endif // QRT_CONTROLS_CDYNFRAME_H
