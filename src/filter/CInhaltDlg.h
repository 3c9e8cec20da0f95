#ifndef QRT_FILTER_CINHALTDLG_H
#define QRT_FILTER_CINHALTDLG_H

#include "qrt_export.h"

#include <QDialog>
#include <QStringList>

class QListWidget;

// "Datenansicht": the distinct values of a column, from which the user
// picks the value of a criterion instead of typing it. The list has the
// focus from the start: arrow keys choose, Enter takes the value.
class QRT_AUTOTEST_EXPORT CInhaltDlg : public QDialog
{
    Q_OBJECT

public:
    enum ControlId { IDC_VALUES = 6015 };

    explicit CInhaltDlg(QWidget *parent = nullptr);

    // The values to list, in order; not owned, and read until the dialog ends.
    void setValues(const QStringList *values);
    // Puts the selection on the line of that value, if the list has it, so
    // that the value in the field is where the user starts.
    void selectValue(const QString &value);
    // The value chosen with OK; "" when OK was pressed with none selected.
    [[nodiscard]] const QString &chosenText() const { return m_strChosen; }

public slots:
    void accept() override;

private:
    QListWidget *m_valueList = nullptr;
    const QStringList *m_pValues = nullptr;
    QString m_strChosen;
};

#endif // QRT_FILTER_CINHALTDLG_H
