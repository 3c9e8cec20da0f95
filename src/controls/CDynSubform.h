#ifndef QRT_CONTROLS_CDYNSUBFORM_H
#define QRT_CONTROLS_CDYNSUBFORM_H

#include "controls/CDynFrame.h"

class QLabel;

// A subform: a frame that shows, as a datasheet, the records of another
// table whose link column holds the key of the form's record (the orders of
// a customer). The control is the frame and says which table and column;
// the form runtime puts the records into Container() and keeps them
// following the form's record.
//
// It is stored as a frame with one more element (SUBFORM), so older readers
// show an empty frame with its title. Unlike a frame it is grabbed anywhere
// in design mode, where it says what it will show, and it is not laid
// beneath the fields.
class QRT_EXPORT CDynSubform : public CDynFrame
{
    Q_OBJECT

public:
    using CDynFrame::CDynFrame;

    void SetSubform(const SubformSetting &setting);
    [[nodiscard]] const SubformSetting &Subform() const { return m_setting; }
    [[nodiscard]] ControlInfo StoredInfo() const override;

    void Show() override { CDynControl::Show(); }
    [[nodiscard]] bool HitTest(int x, int y) const override;

    // Data mode: the widget whose layout holds the records.
    [[nodiscard]] QWidget *Container() const { return GetWindow(); }

protected:
    QWidget *MakeWindow(QWidget *parent, const ControlDescription &description) override;

private:
    void Describe();

    SubformSetting m_setting;
    QLabel *m_description = nullptr; // design mode
};

#endif // QRT_CONTROLS_CDYNSUBFORM_H
