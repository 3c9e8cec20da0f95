#ifndef QRT_PLATFORM_CONFLICTDIALOG_H
#define QRT_PLATFORM_CONFLICTDIALOG_H

#include "platform/UserMessages.h"
#include "qrt_export.h"

#include <QDialog>
#include <QVector>

class QButtonGroup;
class QPushButton;

// Asks which value each field is to be saved with after another user
// stored other values in fields this user changed: one row per field, with
// the user's entry and the value stored now as the two choices, and the
// value the user was shown as the third column for comparison. "Speichern"
// stays disabled until every row has its choice, so that nothing is
// decided for the user; "Abbrechen" (and Escape) saves nothing.
//
// Values are shown on one line (a line break as "↵", long texts cut with
// "…", the whole value as tool tip); an empty one as "(leer)".
class QRT_EXPORT ConflictDialog : public QDialog
{
    Q_OBJECT

public:
    ConflictDialog(const QString &text, const QVector<UserMessages::Conflict> &conflicts,
                   QWidget *parent = nullptr);

    // The choice of each row, in the order of the conflicts; meaningful
    // after the dialog was accepted.
    [[nodiscard]] QVector<UserMessages::Keep> choices() const;

private:
    void updateSave();

    QVector<QButtonGroup *> m_rows;
    QPushButton *m_save = nullptr;
};

#endif // QRT_PLATFORM_CONFLICTDIALOG_H
