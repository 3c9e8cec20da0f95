#ifndef QRT_DIALOGS_CCTRLPROPDLG_H
#define QRT_DIALOGS_CCTRLPROPDLG_H

#include "controls/ControlInfo.h"
#include "qrt_export.h"

#include <QDialog>
#include <QStringList>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Steuerelement-Eigenschaften": title, position, size, font, alignment and
// the multi-line option of one control. A plain holder of values: the
// caller fills the members, runs the dialog and, on OK, reads them back;
// the dialog shows them in its items when it opens and takes them back on
// OK, refusing a value outside its range with a message (the dialog stays
// open, the field has the focus).
//
// The font is chosen in the platform's font dialog ("..." or F4 on the font
// line); a test hands in a chooser of its own.
class QRT_AUTOTEST_EXPORT CCtrlPropDlg : public QDialog
{
    Q_OBJECT

public:
    enum ControlId {
        IDD = 6011,
        IDC_TITLE = 6024,
        IDC_XPOS = 6025,
        IDC_YPOS = 6026,
        IDC_WIDTH = 6027,
        IDC_HEIGHT = 6028,
        IDC_FONT = 6029,
        IDC_FONT_BUTTON = 6030,
        IDC_LEFT = 6035,
        IDC_RIGHT = 6036,
        IDC_CENTER = 6037,
        IDC_MULTILINE = 6038,
        IDC_ALIGNMENT = 6042,
        IDC_LOOKUP = 6043, // our own: the lists came after the stored forms
    };

    // Asks the user for a font, starting from font; true with the choice
    // in font, false when cancelled.
    using FontChooser = std::function<bool(FontDescription &font, QWidget *parent)>;

    explicit CCtrlPropDlg(QWidget *parent = nullptr);
    ~CCtrlPropDlg() override;

    // "%s, %i Punkte" with the face and the size in whole points, then
    // " Fett" for weight 700 and " Kursiv" when italic; at most 255 characters.
    [[nodiscard]] static QString FontText(const QString &faceName, int size, int weight,
                                          int italic);
    void setFontChooser(FontChooser chooser) { m_chooseFont = std::move(chooser); }

    // --- the values, in the dialog's order ------------------------------
    int m_width = 0;     // 6027 "Breite:", 10..1000
    int m_height = 0;    // 6028 "Höhe:", 5..1000
    QString m_title;     // 6024, at most 50 characters where editable
    int m_xPos = 0;      // 6025 "X-Pos:", 0..1000
    QString m_fontText;  // 6029, read-only, made from the font below
    int m_multiLine = 0; // 6038 "Mehrzeilig"
    int m_yPos = 0;      // 6026 "Y-Pos:", any whole number
    bool m_titleEditable = true;
    bool m_multiLineOffered = true;
    bool m_alignmentOffered = true;
    QString m_fontName;
    int m_fontSize = 0; // tenths of a point
    int m_fontWeight = 0;
    int m_italic = 0;
    quint16 m_styleFlags = ControlFlags::Left; // 1 left, 2 right, 4 centred, 8 multi-line
    // A field of a column that refers to another table: what its list shows
    // ("Nachschlageliste"); offered only with columns to choose from.
    LookupSetting m_lookup;
    QStringList m_lookupColumns;
    QString m_automaticLookupColumn;

public slots:
    // Takes the values from the items; OK only when all of them pass.
    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Fills the items from the values, once, as the dialog opens.
    void initDialog();
    void chooseFont();
    void showFontText();
    void showLookup();

    QLineEdit *m_titleEdit;
    QLineEdit *m_xEdit;
    QLineEdit *m_yEdit;
    QLineEdit *m_widthEdit;
    QLineEdit *m_heightEdit;
    QLineEdit *m_fontEdit;
    QPushButton *m_fontButton;
    QLabel *m_alignmentLabel;
    QRadioButton *m_left;
    QRadioButton *m_right;
    QRadioButton *m_center;
    QButtonGroup *m_alignment;
    QCheckBox *m_multiLineBox;
    QLabel *m_lookupLabel;
    QComboBox *m_lookupBox;
    FontChooser m_chooseFont;
    bool m_initialised = false;
};

#endif // QRT_DIALOGS_CCTRLPROPDLG_H
