#include "dialogs/CCtrlPropDlg.h"

#include "dialogs/DataExchange.h"
#include "platform/BuddyGroupBox.h"
#include "platform/DialogButtons.h"
#include "platform/DialogUnits.h"
#include "platform/KeyAction.h"
#include "platform/ScreenFit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using qrt::named;

namespace {

QLabel *labelFor(QWidget *buddy, const QString &text)
{
    auto *label = new QLabel(text, buddy->parentWidget());
    label->setBuddy(buddy);
    return label;
}

// The platform's font dialog, started from the control's font. Sizes are
// whole points there, tenths of a point here.
bool chooseWithFontDialog(FontDescription &font, QWidget *parent)
{
    QFont initial(font.faceName.left(31));
    if (font.size >= 10)
        initial.setPointSize(font.size / 10);
    if (font.weight > 0)
        initial.setWeight(QFont::Weight(qBound(1, font.weight, 1000)));
    initial.setItalic(font.italic != 0);
    bool ok = false;
    const QFont chosen =
        QFontDialog::getFont(&ok, initial, parent, QStringLiteral("Schriftart"),
                             QFontDialog::ScalableFonts | QFontDialog::NonScalableFonts);
    if (!ok)
        return false;
    font.faceName = chosen.family();
    font.size = qRound(chosen.pointSizeF() * 10);
    font.weight = int(chosen.weight());
    font.italic = chosen.italic() ? 1 : 0;
    return true;
}

} // namespace

CCtrlPropDlg::CCtrlPropDlg(QWidget *parent) : QDialog(parent), m_chooseFont(chooseWithFontDialog)
{
    setObjectName(QStringLiteral("controlProperties"));
    setWindowTitle(QStringLiteral("Steuerelement-Eigenschaften"));
    setFont(DialogUnits::templateFont());
    const DialogUnits units(font());

    auto *titleFrame = new BuddyGroupBox(QStringLiteral("&Titel"), this);
    m_titleEdit = named(new QLineEdit(titleFrame), "title", IDC_TITLE);
    titleFrame->setBuddy(m_titleEdit);
    (new QVBoxLayout(titleFrame))->addWidget(m_titleEdit);

    auto *position = new QGroupBox(QStringLiteral("Position"), this);
    position->setObjectName(QStringLiteral("position"));
    m_xEdit = named(DataExchange::numberField(position), "xPos", IDC_XPOS);
    m_yEdit = named(DataExchange::numberField(position), "yPos", IDC_YPOS);
    m_widthEdit = named(DataExchange::numberField(position), "width", IDC_WIDTH);
    m_heightEdit = named(DataExchange::numberField(position), "height", IDC_HEIGHT);
    for (QLineEdit *field : {m_xEdit, m_yEdit, m_widthEdit, m_heightEdit})
        field->setMinimumWidth(units.x(32));
    auto *grid = new QGridLayout(position);
    grid->addWidget(labelFor(m_xEdit, QStringLiteral("&X-Pos:")), 0, 0);
    grid->addWidget(m_xEdit, 0, 1);
    grid->addWidget(labelFor(m_yEdit, QStringLiteral("&Y-Pos:")), 0, 2);
    grid->addWidget(m_yEdit, 0, 3);
    grid->addWidget(labelFor(m_widthEdit, QStringLiteral("&Breite:")), 1, 0);
    grid->addWidget(m_widthEdit, 1, 1);
    grid->addWidget(labelFor(m_heightEdit, QStringLiteral("&Höhe:")), 1, 2);
    grid->addWidget(m_heightEdit, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto *look = new QGroupBox(QStringLiteral("Darstellung"), this);
    look->setObjectName(QStringLiteral("look"));
    m_fontEdit = named(new QLineEdit(look), "font", IDC_FONT);
    m_fontEdit->setReadOnly(true);
    m_fontButton =
        named(new QPushButton(QStringLiteral("..."), look), "fontButton", IDC_FONT_BUTTON);
    m_fontButton->setAccessibleName(QStringLiteral("Schriftart wählen"));
    m_fontButton->setAutoDefault(false);
    m_fontButton->setMaximumWidth(qMax(units.x(16), m_fontButton->minimumSizeHint().width()));
    m_alignmentLabel =
        named(new QLabel(QStringLiteral("Ausrichtung:"), look), "alignment", IDC_ALIGNMENT);
    m_left = named(new QRadioButton(QStringLiteral("&Links"), look), "left", IDC_LEFT);
    m_right = named(new QRadioButton(QStringLiteral("&Rechts"), look), "right", IDC_RIGHT);
    m_center = named(new QRadioButton(QStringLiteral("&Zentriert"), look), "center", IDC_CENTER);
    m_alignment = new QButtonGroup(this);
    m_alignment->addButton(m_left, ControlFlags::Left);
    m_alignment->addButton(m_right, ControlFlags::Right);
    m_alignment->addButton(m_center, ControlFlags::Center);
    m_multiLineBox =
        named(new QCheckBox(QStringLiteral("&Mehrzeilig"), look), "multiLine", IDC_MULTILINE);
    m_lookupBox = named(new QComboBox(look), "lookup", IDC_LOOKUP);
    m_lookupLabel = labelFor(m_lookupBox, QStringLiteral("&Nachschlageliste:"));
    auto *lookGrid = new QGridLayout(look);
    lookGrid->addWidget(labelFor(m_fontEdit, QStringLiteral("&Schriftart:")), 0, 0);
    auto *fontRow = new QHBoxLayout;
    fontRow->addWidget(m_fontEdit, 1);
    fontRow->addWidget(m_fontButton);
    lookGrid->addLayout(fontRow, 0, 1);
    lookGrid->addWidget(m_alignmentLabel, 1, 0);
    auto *radios = new QHBoxLayout;
    radios->addWidget(m_left);
    radios->addWidget(m_right);
    radios->addWidget(m_center);
    radios->addStretch(1);
    lookGrid->addLayout(radios, 1, 1);
    lookGrid->addWidget(m_multiLineBox, 2, 1);
    lookGrid->addWidget(m_lookupLabel, 3, 0);
    lookGrid->addWidget(m_lookupBox, 3, 1);
    lookGrid->setColumnStretch(1, 1);

    // The font line opens the font dialog from the keyboard as a drop-down
    // field opens its list.
    connect(m_fontButton, &QPushButton::clicked, this, &CCtrlPropDlg::chooseFont);
    KeyAction::onDropDown(m_fontEdit, [this] {
        chooseFont();
        return true;
    });
    KeyAction::onEnter(m_fontEdit, [this] {
        chooseFont();
        return true;
    });

    const auto [ok, cancel] = qrt::makeOkCancelButtons(this, units);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(titleFrame);
    layout->addWidget(position);
    layout->addWidget(look);
    layout->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    setSizeGripEnabled(true);
}

CCtrlPropDlg::~CCtrlPropDlg() = default;

QString CCtrlPropDlg::FontText(const QString &faceName, int size, int weight, int italic)
{
    QString text = QStringLiteral("%1, %2 Punkte").arg(faceName).arg(size / 10);
    if (weight == 700)
        text += QStringLiteral(" Fett");
    if (italic)
        text += QStringLiteral(" Kursiv");
    return text.left(255);
}

void CCtrlPropDlg::showEvent(QShowEvent *event)
{
    if (!m_initialised) {
        m_initialised = true;
        initDialog();
    }
    QDialog::showEvent(event);
}

void CCtrlPropDlg::initDialog()
{
    m_titleEdit->setEnabled(m_titleEditable);
    m_multiLineBox->setVisible(m_multiLineOffered);
    for (QWidget *item : {static_cast<QWidget *>(m_alignmentLabel), static_cast<QWidget *>(m_left),
                          static_cast<QWidget *>(m_right), static_cast<QWidget *>(m_center)})
        item->setVisible(m_alignmentOffered);
    // The first alignment whose flag is set, in the order left, right, centre.
    if (m_styleFlags & ControlFlags::Left)
        m_left->setChecked(true);
    else if (m_styleFlags & ControlFlags::Right)
        m_right->setChecked(true);
    else if (m_styleFlags & ControlFlags::Center)
        m_center->setChecked(true);
    m_multiLine = (m_styleFlags & ControlFlags::MultiLine) ? 1 : 0;

    m_titleEdit->setText(m_title);
    m_xEdit->setText(QString::number(m_xPos));
    m_yEdit->setText(QString::number(m_yPos));
    m_widthEdit->setText(QString::number(m_width));
    m_heightEdit->setText(QString::number(m_height));
    m_multiLineBox->setChecked(m_multiLine != 0);
    showFontText();
    showLookup();

    fitToScreen(this, DialogUnits(font()).size(200, 180).expandedTo(sizeHint()));
    // The first thing a user changes: the title where it can be edited,
    // else the position.
    (m_titleEditable ? m_titleEdit : m_xEdit)->setFocus();
}

void CCtrlPropDlg::showLookup()
{
    const bool offered = !m_lookupColumns.isEmpty();
    m_lookupLabel->setVisible(offered);
    m_lookupBox->setVisible(offered);
    m_lookupBox->clear();
    if (!offered)
        return;
    // The automatic choice first, then each column, then no list at all;
    // each entry's data is the column (empty for the automatic one).
    m_lookupBox->addItem(QStringLiteral("Automatisch (%1)").arg(m_automaticLookupColumn),
                         QString());
    for (const QString &column : std::as_const(m_lookupColumns))
        m_lookupBox->addItem(column, column);
    m_lookupBox->addItem(QStringLiteral("Keine Liste, den Schlüssel"));
    switch (m_lookup.mode) {
    case LookupSetting::Mode::Automatic:
        m_lookupBox->setCurrentIndex(0);
        break;
    case LookupSetting::Mode::Column: {
        const int at = m_lookupBox->findData(m_lookup.column);
        if (at < 0) // a column that has gone since: still the form's choice
            m_lookupBox->insertItem(1, m_lookup.column, m_lookup.column);
        m_lookupBox->setCurrentIndex(at < 0 ? 1 : at);
        break;
    }
    case LookupSetting::Mode::Off:
        m_lookupBox->setCurrentIndex(m_lookupBox->count() - 1);
        break;
    }
}

void CCtrlPropDlg::chooseFont()
{
    FontDescription font{m_fontName, m_fontSize, m_fontWeight, quint8(m_italic ? 1 : 0)};
    if (m_chooseFont && m_chooseFont(font, this)) {
        m_fontName = font.faceName;
        m_fontSize = font.size;
        m_fontWeight = font.weight;
        m_italic = font.italic ? 1 : 0;
    }
    showFontText();
}

void CCtrlPropDlg::showFontText()
{
    m_fontText = FontText(m_fontName, m_fontSize, m_fontWeight, m_italic);
    m_fontEdit->setText(m_fontText);
    m_fontEdit->setCursorPosition(0);
    m_fontEdit->setToolTip(m_fontText + QStringLiteral("\nF4 oder Enter: Schriftart wählen"));
    // Wide enough for the whole line, up to what a small screen has room for.
    const DialogUnits units(font());
    const int needed = m_fontEdit->fontMetrics().horizontalAdvance(m_fontText) + units.x(8);
    m_fontEdit->setMinimumWidth(qBound(units.x(100), needed, units.x(190)));
    // The dialog's smallest size follows at once, not at the next layout
    // pass: the frame's layout first, then the frame in the dialog's.
    QWidget *frame = m_fontEdit->parentWidget();
    frame->layout()->activate();
    frame->updateGeometry();
    layout()->activate();
}

void CCtrlPropDlg::accept()
{
    // In the dialog's order; the first value that fails keeps it open.
    int width = m_width;
    int height = m_height;
    QString title = m_title;
    int x = m_xPos;
    int y = m_yPos;
    // A title the user cannot edit (a field's column) is not the user's to
    // shorten: it is not checked.
    if (!DataExchange::takeInt(m_widthEdit, 10, 1000, width) ||
        !DataExchange::takeInt(m_heightEdit, 5, 1000, height) ||
        (m_titleEditable &&
         !DataExchange::takeText(m_titleEdit, DataExchange::kMaxTitleLength, title)) ||
        !DataExchange::takeInt(m_xEdit, 0, 1000, x) || !DataExchange::takeInt(m_yEdit, y))
        return;
    m_width = width;
    m_height = height;
    m_title = title;
    m_xPos = x;
    m_yPos = y;
    m_multiLine = m_multiLineBox->isChecked() ? 1 : 0;
    // Each alignment replaces the whole value; with none chosen it stays.
    if (m_left->isChecked())
        m_styleFlags = ControlFlags::Left;
    if (m_right->isChecked())
        m_styleFlags = ControlFlags::Right;
    if (m_center->isChecked())
        m_styleFlags = ControlFlags::Center;
    if (m_multiLine)
        m_styleFlags |= ControlFlags::MultiLine;
    if (!m_lookupColumns.isEmpty()) {
        const int at = m_lookupBox->currentIndex();
        const QVariant column = m_lookupBox->currentData();
        m_lookup = at == m_lookupBox->count() - 1 ? LookupSetting{LookupSetting::Mode::Off, {}}
                   : at <= 0                      ? LookupSetting{}
                             : LookupSetting{LookupSetting::Mode::Column, column.toString()};
    }
    QDialog::accept();
}
