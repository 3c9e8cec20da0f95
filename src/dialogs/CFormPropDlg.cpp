#include "dialogs/CFormPropDlg.h"

#include "dialogs/DataExchange.h"
#include "platform/BuddyGroupBox.h"
#include "platform/DialogButtons.h"
#include "platform/DialogUnits.h"
#include "platform/ScreenFit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using qrt::named;

namespace {

constexpr int kMinRaster = 5;
constexpr int kMaxRaster = 50;

} // namespace

CFormPropDlg::CFormPropDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("formProperties"));
    setWindowTitle(QStringLiteral("Formulareigenschaften"));
    setFont(DialogUnits::templateFont());
    const DialogUnits units(font());

    m_showRasterBox = named(new QCheckBox(QStringLiteral("&Raster anzeigen"), this), "showRaster",
                            IDC_SHOW_RASTER);
    m_rasterXEdit = named(DataExchange::numberField(this), "rasterX", IDC_RASTER_X);
    m_rasterYEdit = named(DataExchange::numberField(this), "rasterY", IDC_RASTER_Y);
    auto *raster = new QGridLayout;
    raster->addWidget(m_showRasterBox, 0, 0, 1, 2);
    const auto addRow = [raster, &units](int row, QLineEdit *field, const QString &text) {
        auto *label = new QLabel(text, field->parentWidget());
        label->setBuddy(field);
        field->setMinimumWidth(units.x(30));
        raster->addWidget(label, row, 0);
        raster->addWidget(field, row, 1);
    };
    addRow(1, m_rasterXEdit, QStringLiteral("Abstand in &X-Richtung:"));
    addRow(2, m_rasterYEdit, QStringLiteral("Abstand in &Y-Richtung:"));
    raster->setColumnStretch(2, 1);

    auto *titleFrame = new BuddyGroupBox(QStringLiteral("&Titel"), this);
    m_titleEdit = named(new QLineEdit(titleFrame), "title", IDC_TITLE);
    m_titleEdit->setMinimumWidth(units.x(150));
    titleFrame->setBuddy(m_titleEdit);
    (new QVBoxLayout(titleFrame))->addWidget(m_titleEdit);

    const auto [ok, cancel] = qrt::makeOkCancelButtons(this, units);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(raster);
    layout->addWidget(titleFrame);
    layout->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    setSizeGripEnabled(true);
}

CFormPropDlg::~CFormPropDlg() = default;

void CFormPropDlg::showEvent(QShowEvent *event)
{
    if (!m_initialised) {
        m_initialised = true;
        initDialog();
    }
    QDialog::showEvent(event);
}

void CFormPropDlg::initDialog()
{
    m_showRasterBox->setChecked(m_showRaster != 0);
    m_rasterXEdit->setText(QString::number(m_rasterX));
    m_rasterYEdit->setText(QString::number(m_rasterY));
    m_titleEdit->setText(m_title);
    m_titleEdit->setCursorPosition(0);
    fitToScreen(this, DialogUnits(font()).size(190, 110).expandedTo(sizeHint()));
    m_rasterXEdit->setFocus();
}

void CFormPropDlg::accept()
{
    int rasterX = m_rasterX;
    int rasterY = m_rasterY;
    QString title = m_title;
    if (!DataExchange::takeInt(m_rasterXEdit, kMinRaster, kMaxRaster, rasterX) ||
        !DataExchange::takeInt(m_rasterYEdit, kMinRaster, kMaxRaster, rasterY) ||
        !DataExchange::takeText(m_titleEdit, DataExchange::kMaxTitleLength, title))
        return;
    m_showRaster = m_showRasterBox->isChecked() ? 1 : 0;
    m_rasterX = rasterX;
    m_rasterY = rasterY;
    m_title = title;
    QDialog::accept();
}
