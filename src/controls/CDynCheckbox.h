#ifndef QRT_CONTROLS_CDYNCHECKBOX_H
#define QRT_CONTROLS_CDYNCHECKBOX_H

#include "controls/CDynControl.h"

class QCheckBox;

// A yes/no field: a check box labelled with its caption and named after its
// column. The user's clicks (and the space bar) mark it modified in data
// mode; in design mode it does not toggle and shows a border. A column that
// may hold Null gets a third state, "unknown" (partly checked), which is what
// a Null shows and what an untouched box of a new record stores.
class QRT_EXPORT CDynCheckbox : public CDynControl
{
    Q_OBJECT

public:
    using CDynControl::CDynControl;

    [[nodiscard]] int GetTyp() const override { return int(ControlKind::Checkbox); }
    void ClearValue() override { SetRecordText(QString()); }

    // Sets the state without counting it as the user's change.
    void SetChecked(bool on);
    [[nodiscard]] bool IsChecked() const;
    // Whether the box has the third state "unknown" (a column that takes Null).
    void SetTriState(bool on);
    [[nodiscard]] bool IsTriState() const { return m_triState; }

    // "True" checked, "False" unchecked, "" unknown (or unchecked without a
    // third state).
    void SetRecordText(const QString &text) override;
    [[nodiscard]] bool GetRecordText(QString *text, QString *problem) const override;
    // "Ja", "Nein", or "unbekannt" for a Null where the box shows one.
    [[nodiscard]] QString ShownText(const QString &recordText) const override;
    // How the box shows a record text: "TRUE" ticked, a Null "unknown"
    // where the box has a third state, anything else not ticked.
    [[nodiscard]] Qt::CheckState StateOf(const QString &recordText) const;
    // "Ja", "Nein" and what spreadsheets write for them; empty for unknown
    // where the box has a third state.
    bool TakeUserText(const QString &text, QString *problem, Entry entry) override;

    [[nodiscard]] QString WindowText() const override;
    void SetWindowText(const QString &text) override;

protected:
    QWidget *MakeWindow(QWidget *parent, const ControlDescription &description) override;
    void FinishCreate(const ControlDescription &description) override;
    void ApplyStyle() override;

private:
    [[nodiscard]] QCheckBox *box() const;

    bool m_triState = false;
};

#endif // QRT_CONTROLS_CDYNCHECKBOX_H
