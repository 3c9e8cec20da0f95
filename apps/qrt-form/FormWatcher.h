#ifndef QRT_APPS_QRTFORM_FORMWATCHER_H
#define QRT_APPS_QRTFORM_FORMWATCHER_H

#include <QObject>
#include <QString>

class CFormDlg;

// Watches for the form dialog that the facade opens, since the facade
// gives a modal dialog to nobody. When it shows without a form (the form
// could not be built; the library has said why) it is closed at once, so
// that no empty window waits for the user; with a picture file it is drawn,
// "Datensatz n von m" counted, into that file and closed without asking or
// saving anything.
class FormWatcher final : public QObject
{
    Q_OBJECT

public:
    // picture: the PNG file to draw into; empty for an interactive run.
    explicit FormWatcher(QString picture = QString());
    ~FormWatcher() override;

    [[nodiscard]] bool sawForm() const { return m_sawForm; }
    [[nodiscard]] bool formFailed() const { return m_failed; }
    [[nodiscard]] bool pictureSaved() const { return m_saved; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void shown(CFormDlg *dialog);
    void drawAndClose(CFormDlg *dialog);

    QString m_picture;
    bool m_sawForm = false;
    bool m_failed = false;
    bool m_saved = false;
};

#endif // QRT_APPS_QRTFORM_FORMWATCHER_H
