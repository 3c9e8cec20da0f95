#ifndef QRT_FILTER_CSQLFILTERDLG_H
#define QRT_FILTER_CSQLFILTERDLG_H

#include "qrt_export.h"

#include <QDialog>

class QPlainTextEdit;

// "SQL-Befehl anzeigen": shows the statement a filter gives, read-only, so
// that the user can see what the database will be asked.
class QRT_AUTOTEST_EXPORT CSqlFilterDlg : public QDialog
{
    Q_OBJECT

public:
    enum ControlId { IDC_SQL = 6014 };

    explicit CSqlFilterDlg(QWidget *parent = nullptr);

    void setStatement(const QString &statement);
    [[nodiscard]] const QString &statement() const { return m_strStatement; }

private:
    QPlainTextEdit *m_statementEdit;
    QString m_strStatement;
};

#endif // QRT_FILTER_CSQLFILTERDLG_H
