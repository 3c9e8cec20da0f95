#ifndef QRT_EXAMPLE_HOSTWINDOW_H
#define QRT_EXAMPLE_HOSTWINDOW_H

#include <qrt/facade/CKeloForm.h>
#include <qrt/facade/CKeloFormWidget.h>

#include <QMainWindow>
#include <QStringList>

class QComboBox;

// The main window of a small customer administration: a table chooser and a
// filter button above, the table's form in the middle, and what happened to
// the records in the status bar.
class HostWindow : public QMainWindow
{
    Q_OBJECT

public:
    HostWindow(const QString &database, const QStringList &tables, QWidget *parent = nullptr);

    [[nodiscard]] CKeloFormWidget *form() const { return m_form; }
    // Opens the form of the table; false after a message when it cannot.
    bool showTable(const QString &table);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void tableChosen(int index);

    QString m_database;
    QString m_table; // the table whose form is open
    QComboBox *m_tables = nullptr;
    CKeloFormWidget *m_form = nullptr;
};

#endif // QRT_EXAMPLE_HOSTWINDOW_H
