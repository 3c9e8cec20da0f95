#ifndef QRT_CONTROLS_CDYNEDIT_H
#define QRT_CONTROLS_CDYNEDIT_H

#include "controls/CDynControl.h"
#include "platform/FieldFormat.h"

class QLineEdit;
class QPlainTextEdit;

// What an edit field takes, by the input kinds the stored forms know; a
// field of a column gets its column's FieldFormat, which says more (range,
// digits, scale, dates, times).
enum class InputKind : int {
    FreeText = 0,      // every character
    WholeNumber = 1,   // a whole number
    DecimalNumber = 2, // a number with a decimal comma
};

// A text, number, date or time field named after its column. One line
// (QLineEdit) or, with the multi-line flag, several (QPlainTextEdit),
// read-only in design mode where it shows the column's name.
//
// What the user types is read by the field's FieldFormat when the user
// leaves the field (by Tab or the mouse) and when the record is saved: it
// either becomes the value meant, shown back in its normal form ("1.234,5"
// reads as 1234,5), or the field says what it expects and the user stays in
// it with the text (Refuse). A field the user did not change is never read
// anew: it gives back the record text it was given, so a stored value that
// fits no format of ours stays as it is. Typed and pasted characters pass
// the format's filter and its typing limit; a user's change marks the field
// modified, a set operation clears the mark. A text keeps the line breaks it
// was stored with (LF or CRLF); a new one takes the format's.
class QRT_EXPORT CDynEdit : public CDynControl
{
    Q_OBJECT

public:
    using CDynControl::CDynControl;

    [[nodiscard]] int GetTyp() const override { return int(ControlKind::Edit); }
    void ClearValue() override { SetValueText(QString()); }

    // Shows a record value in the format's normal form ("1234.50000000" in a
    // field of scale 2 shows "1234,50"); an empty value stays empty. A text
    // longer than the field's limit is shown in full: the limit is the
    // user's typing, and a stored text must come back unchanged when nobody
    // edits it.
    void SetValueText(const QString &text);
    // The text as it stands; line breaks read as "\r\n".
    [[nodiscard]] QString GetValueText() const { return WindowText(); }

    void SetRecordText(const QString &text) override { SetValueText(text); }
    [[nodiscard]] bool GetRecordText(QString *text, QString *problem) const override;
    [[nodiscard]] QString ShownText(const QString &recordText) const override
    {
        return m_format.show(recordText);
    }

    // How the field reads what is typed and shows its value; sets the
    // typing limit where the format has one.
    void SetFieldFormat(const FieldFormat &format);
    [[nodiscard]] const FieldFormat &GetFieldFormat() const { return m_format; }
    // A plain format of the kind: any whole number, any decimal, free text.
    void SetInputKind(InputKind kind);
    [[nodiscard]] InputKind GetInputKind() const { return m_inputKind; }
    // A field whose column the form never writes (computed by the engine,
    // binary data) is read-only from the start and says why (tool tip and
    // the description screen readers announce).
    void SetReadOnlyReason(const QString &reason);
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
    // Shows the value read from what the user typed, once the field has
    // been left: in its normal form, a text as typed.
    virtual void ShowRead(const QString &value);
    // The record value the field was last given ("" for none).
    [[nodiscard]] const QString &RecordValue() const { return m_recordValue; }

    [[nodiscard]] QLineEdit *lineEdit() const;
    [[nodiscard]] QPlainTextEdit *textEdit() const;

private:
    // Reads what the user typed once the focus has gone elsewhere: the
    // normal form, or the refusal.
    void ReadAfterLeaving();

    FieldFormat m_format;
    InputKind m_inputKind = InputKind::FreeText;
    QString m_recordValue;
    QString m_lineBreak = QStringLiteral("\n"); // of the text shown, as stored
    QString m_readOnlyReason;
    qint16 m_maxLength = 0;
    bool m_settingText = false; // our own text changes are not the user's
    bool m_readPending = false;
};

#endif // QRT_CONTROLS_CDYNEDIT_H
