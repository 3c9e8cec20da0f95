#ifndef QRT_CONTROLS_CDYNPICTURE_H
#define QRT_CONTROLS_CDYNPICTURE_H

#include "controls/CDynControl.h"

#include <QByteArray>
#include <QImage>

#include <functional>
#include <memory>

class QMenu;

// A field of binary data. A picture (PNG, JPEG, GIF or BMP, known by its
// content, not by a name) is drawn scaled into the field, keeping its
// proportions; other data shows as "Binärdaten, 12 KB". The record text is
// the data's hexadecimal digits, as records carry binary values.
//
// In data mode the field's menu (right button, the menu key, Umschalt+F10)
// loads a picture from a file, saves the data to a file and removes it; a
// field the form never writes only saves. A loaded picture is stored byte
// for byte as its file holds it; a field the user did not change gives back
// the digits it was given, so an unchanged picture is never written. A large
// picture is decoded off the user's thread; until it is ready the field
// says that it is loading, and the form goes on meanwhile.
//
// Its kind code is that of an edit field, so older readers of the stored
// form show the digits in one.
class QRT_EXPORT CDynPicture : public CDynControl
{
    Q_OBJECT

public:
    explicit CDynPicture(bool designMode);
    ~CDynPicture() override;

    [[nodiscard]] int GetTyp() const override { return int(ControlKind::Edit); }
    void ClearValue() override { SetRecordText(QString()); }

    void SetRecordText(const QString &text) override;
    [[nodiscard]] bool GetRecordText(QString *text, QString *problem) const override;
    // "Bild (PNG, 12 KB)", "Binärdaten, 12 KB", or nothing for no data.
    [[nodiscard]] QString ShownText(const QString &recordText) const override;
    // Pictures come from files, not from typed text.
    bool TakeUserText(const QString &text, QString *problem, Entry entry) override;
    // What the field says about its value, as ShownText does.
    [[nodiscard]] QString WindowText() const override;
    // Design mode shows the column's name; data mode ignores a text.
    void SetWindowText(const QString &text) override;

    // A picture has no lines to wrap.
    [[nodiscard]] ControlProperties GetProperties() const override;

    // A column the form never writes (computed by the engine): saving the
    // data stays, loading and removing go; the reason is the tool tip.
    void SetReadOnlyReason(const QString &reason);

    // The data as stored, or as loaded since.
    [[nodiscard]] const QByteArray &Data() const { return m_data; }
    // The picture drawn; null for other data, no data, or while decoding.
    [[nodiscard]] const QImage &Picture() const { return m_picture; }
    // True while a large picture is being decoded.
    [[nodiscard]] bool IsDecoding() const { return m_decoding; }

    // The commands of the menu. LoadFile refuses a file that is no picture
    // (with a message) and one that cannot be read; SaveFile says when the
    // file cannot be written. Each returns whether it did its work.
    bool LoadFile(const QString &path);
    bool SaveFile(const QString &path);
    void Remove();

    // Asks the user for a file to load (save false) or to save to (save
    // true, starting from suggested); empty when cancelled. The toolkit's
    // file dialog unless a test gives another.
    using FileChooser =
        std::function<QString(bool save, const QString &suggested, QWidget *parent)>;
    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    // The data-mode menu; its actions ask for files through the chooser.
    [[nodiscard]] std::unique_ptr<QMenu> CreateDataMenu();

    // Pictures of more bytes than this are decoded off the user's thread.
    static constexpr qsizetype kDecodeInBackground = 512 * 1024;

protected:
    QWidget *MakeWindow(QWidget *parent, const ControlDescription &description) override;
    void FinishCreate(const ControlDescription &description) override;
    bool FilterEvent(QObject *watched, QEvent *event) override;

private:
    // Shows data: its kind and size at once, the picture when decoded.
    void ShowData();
    void ShowDataMenu(const QPoint &globalPosition);
    void Refresh();

    QString m_recordValue; // the digits the field was given
    QByteArray m_data;
    mutable QString m_dataDigits; // of m_data once the user changed it, made when first asked
    QByteArray m_format;          // "png", "jpeg", "gif", "bmp"; empty for other data
    QImage m_picture;
    bool m_decoding = false;
    quint64 m_shown = 0; // counts the values shown, so a late decoding knows it is too late
    QString m_readOnlyReason;
    QString m_designText;
    FileChooser m_chooseFile;
};

#endif // QRT_CONTROLS_CDYNPICTURE_H
