#ifndef QRT_CONTROLS_CDYNSTATIC_H
#define QRT_CONTROLS_CDYNSTATIC_H

#include "controls/CDynControl.h"

class QLabel;

// A caption: a label text on the form, holding no value. Its name is its
// caption with "_TITEL" appended unless given; the label of a column is so
// named after the column. In design mode it is bordered to show its extent.
class QRT_EXPORT CDynStatic : public CDynControl
{
    Q_OBJECT

public:
    using CDynControl::CDynControl;

    [[nodiscard]] int GetTyp() const override { return int(ControlKind::Static); }
    void ClearValue() override {}
    // Never a tab stop; in design mode above its siblings.
    void Show() override;

    [[nodiscard]] QString WindowText() const override;
    void SetWindowText(const QString &text) override;

protected:
    QWidget *MakeWindow(QWidget *parent, const ControlDescription &description) override;
    void FinishCreate(const ControlDescription &description) override;
    void ApplyStyle() override;

private:
    [[nodiscard]] QLabel *label() const;
};

#endif // QRT_CONTROLS_CDYNSTATIC_H
