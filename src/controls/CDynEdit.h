#ifndef QRT_CONTROLS_CDYNEDIT_H
#define QRT_CONTROLS_CDYNEDIT_H

#include "controls/CDynControl.h"

class QLineEdit;
class QPlainTextEdit;

// What an edit field takes: the creator knows the column and says so.
enum class InputKind : int {
    FreeText = 0,      // every character
    WholeNumber = 1,   // digits and "-"
    DecimalNumber = 2, // digits, "-", "." and ","; shown rounded, with a decimal comma
};

// A text or number field named after its column. One line (QLineEdit) or,
// with the multi-line flag, several (QPlainTextEdit), read-only in design
// mode where it shows the column's name. Typed and pasted characters pass
// the input kind's filter; a user's change marks the field modified, a set
// operation clears the mark.
class QRT_EXPORT CDynEdit : public CDynControl
{
    Q_OBJECT

public:
    using CDynControl::CDynControl;

    [[nodiscard]] int GetTyp() const override { return int(ControlKind::Edit); }
    void ClearValue() override { SetValueText(QString()); }

    // Shows a record value: decimal numbers rounded to the decimal places
    // ("12.5" with 8 places shows "12,5", "12" shows "12,0"; an empty value
    // stays empty), line feeds of free text as line breaks. A text longer
    // than the field's limit is shown in full: the limit is the user's
    // typing, and a stored text must come back unchanged when nobody edits it.
    void SetValueText(const QString &text);
    // The text as it stands; line breaks read as "\r\n".
    [[nodiscard]] QString GetValueText() const { return WindowText(); }

    void SetInputKind(InputKind kind) { m_inputKind = kind; }
    [[nodiscard]] InputKind GetInputKind() const { return m_inputKind; }
    void SetDecimalPlaces(qint16 places) { m_decimalPlaces = places; }
    [[nodiscard]] qint16 GetDecimalPlaces() const { return m_decimalPlaces; }
    // The most characters the user can type into the field; 0 or less: no limit.
    [[nodiscard]] qint16 GetMaxLength() const { return m_maxLength; }

    // Whether a typed character may go into the field.
    [[nodiscard]] virtual bool AcceptsCharacter(QChar c) const;

    [[nodiscard]] QString WindowText() const override;
    void SetWindowText(const QString &text) override;

protected:
    QWidget *MakeWindow(QWidget *parent, const ControlDescription &description) override;
    void FinishCreate(const ControlDescription &description) override;
    void ApplyStyle() override;
    [[nodiscard]] QString AccessibleName() const override { return GetName(); }
    [[nodiscard]] qint16 MaxLengthForRecreate() const override { return m_maxLength; }
    bool FilterEvent(QObject *watched, QEvent *event) override;

    // Date fields stay on one line whatever their flags say.
    [[nodiscard]] virtual bool WantsMultiLineWindow() const;
    // The text a new data-mode widget starts with.
    [[nodiscard]] virtual QString InitialText(const ControlDescription &description) const;
    // Sets the widget's limit (0 or less: none).
    void SetMaxLength(qint16 maxLength);

    [[nodiscard]] QLineEdit *lineEdit() const;
    [[nodiscard]] QPlainTextEdit *textEdit() const;

private:
    InputKind m_inputKind = InputKind::FreeText;
    qint16 m_decimalPlaces = 0;
    qint16 m_maxLength = 0;
    bool m_settingText = false; // our own text changes are not the user's
};

#endif // QRT_CONTROLS_CDYNEDIT_H
