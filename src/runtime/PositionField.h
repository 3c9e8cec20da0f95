#ifndef QRT_RUNTIME_POSITIONFIELD_H
#define QRT_RUNTIME_POSITIONFIELD_H

#include "qrt_export.h"

#include <QWidget>

class QLabel;
class QLineEdit;

// Where the record stands, as the tool bar shows it: "Datensatz [ 5 ] von
// 300", the number in a field the user can type another one into. Enter
// asks for that record (numberEntered); a text that is no number, or Escape,
// just shows the position again. The field's accessible name is the whole
// text, so a screen reader says where the user stands after each move.
class QRT_AUTOTEST_EXPORT PositionField : public QWidget
{
    Q_OBJECT

public:
    explicit PositionField(QWidget *parent = nullptr);

    // before the number, the number (empty: none to show), after it.
    void setPosition(const QString &before, const QString &number, const QString &after);
    // The whole text, as the user reads it.
    [[nodiscard]] QString text() const;
    // Puts the user into the number, all of it selected.
    void focusNumber();

signals:
    void numberEntered(qint64 number);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void restore();

    QLabel *m_before;
    QLineEdit *m_number;
    QLabel *m_after;
    QString m_shown; // the number as last shown
};

#endif // QRT_RUNTIME_POSITIONFIELD_H
