#ifndef QRT_RUNTIME_FINDBAR_H
#define QRT_RUNTIME_FINDBAR_H

#include "data/RecordFilter.h"
#include "qrt_export.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;

// The find bar under a form: what to look for, where (the field the cursor
// was in, or every field the form shows) and how it must meet the field's
// text, with "Weitersuchen" and "Rückwärts suchen" and a line that says
// what came of the last search. It only asks (searchRequested); the record
// commands run the search. Escape or its close button hide it.
class QRT_AUTOTEST_EXPORT FindBar : public QWidget
{
    Q_OBJECT

public:
    explicit FindBar(QWidget *parent = nullptr);

    // Shows the bar with the user in the text, all of it selected; column
    // and caption name the field "Aktuelles Feld" searches (none: every field).
    void open(const QString &column, const QString &caption);
    // The field "Aktuelles Feld" searches from now on (the user went there).
    void setColumn(const QString &column, const QString &caption);

    [[nodiscard]] QString text() const;
    // The column to search, or empty for every field the form shows.
    [[nodiscard]] QString column() const;
    [[nodiscard]] RecordFilter::FindMatch match() const;
    // What came of the last search, for the user ("" after a plain find).
    void setNote(const QString &note);
    [[nodiscard]] QString note() const;

signals:
    void searchRequested(bool forward);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLineEdit *m_text;
    QComboBox *m_where;
    QComboBox *m_match;
    QLabel *m_note;
    QString m_column;
};

#endif // QRT_RUNTIME_FINDBAR_H
