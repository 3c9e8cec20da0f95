#ifndef QRT_PLATFORM_BUDDYGROUPBOX_H
#define QRT_PLATFORM_BUDDYGROUPBOX_H

#include "qrt_export.h"

#include <QGroupBox>
#include <QPointer>

// A group box whose title's mnemonic moves the focus to one chosen control,
// as a label's mnemonic moves it to its buddy ("&Gespeicherte Filter" to the
// name field). A plain QGroupBox sends it to whichever of its controls had
// the focus last, which may be a button rather than the field.
class QRT_EXPORT BuddyGroupBox : public QGroupBox
{
    Q_OBJECT

public:
    explicit BuddyGroupBox(const QString &title, QWidget *parent = nullptr);

    void setBuddy(QWidget *buddy) { m_buddy = buddy; }
    [[nodiscard]] QWidget *buddy() const { return m_buddy; }

protected:
    bool event(QEvent *event) override;

private:
    QPointer<QWidget> m_buddy;
};

#endif // QRT_PLATFORM_BUDDYGROUPBOX_H
