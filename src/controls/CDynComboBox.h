#ifndef QRT_CONTROLS_CDYNCOMBOBOX_H
#define QRT_CONTROLS_CDYNCOMBOBOX_H

#include "controls/CDynEdit.h"
#include "controls/ChoiceSource.h"

#include <QPointer>

#include <memory>
#include <optional>

class QAbstractItemView;
class QCompleter;
class QStandardItemModel;
class QTimer;

// An edit field with a list to choose its value from: the rows of the table
// its column refers to, shown by a name and stored by their key (a lookup).
// The field shows the name; its record text is the key.
//
// The list is read from the field's ChoiceSource, never whole: typing
// narrows it (read a moment after the last key, so that a user typing a
// name waits for one read, not one per letter), and F4, Alt+Down or the
// arrow open it for what the field shows. A choice takes the row's key. A
// name typed without choosing is read when the user leaves the field, as
// every edit field reads what is typed: one row of that name gives its key;
// none, or several, are refused with what the field expects. A field the
// user did not change gives back the key it was given, whether a row has it
// or not.
//
// The stored record keeps the lookup setting (LookupSetting) when it is not
// the automatic one; with the setting Off the field is a plain edit field of
// the key. Its kind code stays that of an edit field, so older readers show
// it as one.
class QRT_EXPORT CDynComboBox : public CDynEdit
{
    Q_OBJECT

public:
    explicit CDynComboBox(bool designMode);
    ~CDynComboBox() override;

    // Where the choices come from (data mode). The field then reads names,
    // not keys: it takes any character and any length.
    void SetChoices(std::shared_ptr<ChoiceSource> source);
    [[nodiscard]] ChoiceSource *Choices() const { return m_source.get(); }
    // How the field shows its column (design mode: what is stored). A
    // change makes the widget anew: a combo box, or a plain field for Off.
    void SetLookup(const LookupSetting &setting);
    [[nodiscard]] const LookupSetting &Lookup() const { return m_lookup; }
    // Design mode: the columns that could name the rows, offered by the
    // properties dialog, and the one the automatic setting takes.
    void SetLookupColumns(const QStringList &columns, const QString &automatic);

    [[nodiscard]] ControlProperties GetProperties() const override;
    void ApplyProperties(const ControlProperties &properties) override;

    [[nodiscard]] ControlInfo StoredInfo() const override;
    void SetRecordText(const QString &text) override;
    [[nodiscard]] bool GetRecordText(QString *text, QString *problem) const override;
    [[nodiscard]] QString ShownText(const QString &recordText) const override;
    void PrepareShownTexts(const QStringList &recordTexts) override;
    [[nodiscard]] bool PreparesShownTexts() const override { return true; }
    [[nodiscard]] bool AcceptsCharacter(QChar c) const override;

    // The list for what the field shows now, opened below it (what the
    // arrow, F4 and a pause in typing do).
    void OpenList();
    // The list while it is open, with the choices in its rows.
    [[nodiscard]] QAbstractItemView *ListView() const;

    // The most rows a list shows: more would be read and never looked at.
    static constexpr int kListRows = 100;

protected:
    QWidget *MakeWindow(QWidget *parent, const ControlDescription &description) override;
    void ShowRead(const QString &value) override;
    // One line, whatever the flags say, unless it is a plain field.
    [[nodiscard]] bool WantsMultiLineWindow() const override;

private:
    void Choose(const ChoiceSource::Choice &choice);

    std::shared_ptr<ChoiceSource> m_source;
    LookupSetting m_lookup;
    QStringList m_lookupColumns;
    QString m_automaticLookupColumn;
    QString m_shownForRecord; // what SetRecordText showed for the record's key
    std::optional<ChoiceSource::Choice> m_chosen;
    QPointer<QCompleter> m_completer;
    QStandardItemModel *m_listModel = nullptr; // owned by the completer
    QTimer *m_typingPause = nullptr;
};

#endif // QRT_CONTROLS_CDYNCOMBOBOX_H
