#ifndef QRT_CONTROLS_CDYNCHECKBOX_H
#define QRT_CONTROLS_CDYNCHECKBOX_H

#include "controls/CDynControl.h"

class QCheckBox;

// A yes/no field: a check box labelled with its caption and named after its
// column. The user's clicks (and the space bar) mark it modified in data
// mode; in design mode it does not toggle and shows a border.
class QRT_EXPORT CDynCheckbox : public CDynControl
{
    Q_OBJECT

public:
    using CDynControl::CDynControl;

    [[nodiscard]] int GetTyp() const override { return int(ControlKind::Checkbox); }
    void ClearValue() override { SetChecked(false); }

    // Sets the state without counting it as the user's change.
    void SetChecked(bool on);
    [[nodiscard]] bool IsChecked() const;

    [[nodiscard]] QString WindowText() const override;
    void SetWindowText(const QString &text) override;

protected:
    QWidget *MakeWindow(QWidget *parent, const ControlDescription &description) override;
    void FinishCreate(const ControlDescription &description) override;
    void ApplyStyle() override;

private:
    [[nodiscard]] QCheckBox *box() const;
};

#endif // QRT_CONTROLS_CDYNCHECKBOX_H
