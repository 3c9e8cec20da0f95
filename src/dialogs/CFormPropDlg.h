#ifndef QRT_DIALOGS_CFORMPROPDLG_H
#define QRT_DIALOGS_CFORMPROPDLG_H

#include "qrt_export.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

// "Formulareigenschaften": the form's raster and title. A plain holder of
// values, like the control properties dialog: the caller fills the members,
// runs the dialog and reads them back on OK; a raster step outside 5 to 50
// or a title over 50 characters is refused with a message.
class QRT_AUTOTEST_EXPORT CFormPropDlg : public QDialog
{
    Q_OBJECT

public:
    enum ControlId {
        IDD = 6014,
        IDC_TITLE = 6024,
        IDC_RASTER_X = 6032,
        IDC_RASTER_Y = 6033,
        IDC_SHOW_RASTER = 6034,
    };

    explicit CFormPropDlg(QWidget *parent = nullptr);
    ~CFormPropDlg() override;

    int m_showRaster = 0; // 6034 "Raster anzeigen"
    int m_rasterX = 0;    // 6032 "Abstand in X-Richtung:", 5..50
    int m_rasterY = 0;    // 6033 "Abstand in Y-Richtung:", 5..50
    QString m_title;      // 6024, at most 50 characters

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void initDialog();

    QCheckBox *m_showRasterBox;
    QLineEdit *m_rasterXEdit;
    QLineEdit *m_rasterYEdit;
    QLineEdit *m_titleEdit;
    bool m_initialised = false;
};

#endif // QRT_DIALOGS_CFORMPROPDLG_H
