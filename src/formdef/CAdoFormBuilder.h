#ifndef QRT_FORMDEF_CADOFORMBUILDER_H
#define QRT_FORMDEF_CADOFORMBUILDER_H

#include "data/CBaseMgr.h"
#include "formdef/CFormBuilder.h"
#include "qrt_export.h"

#include <QString>

class CDynComboBox;
class Connection;
class Recordset;

// The form builder that works with the database: it connects with the
// configuration document, reads the table's columns (without the suppressed
// ones), creates the form definition tables when the database lacks them,
// and then loads the stored form of the table, or generates one from the
// columns in design mode. It saves and deletes stored forms.
//
// A stored form is read record by record: a record that is not XML is
// announced and skipped, one that lacks a required part ends the loading
// with a message (the controls made so far stay). Every column the stored
// form does not show gets a hidden control, so the field layout can offer it.
//
// Saving replaces the whole stored definition in one transaction: a save that
// fails leaves the definition as it was and throws the error to the caller.
// Two programs saving the same form at once are served one after the other,
// so the database holds one complete definition, the last one saved.
class QRT_EXPORT CAdoFormBuilder : public CFormBuilder, public CBaseMgr
{
public:
    CAdoFormBuilder();
    ~CAdoFormBuilder() override;

    // Connects, prepares the tables and makes the form; null after a message
    // when the database or the stored form cannot be had.
    FormWindow *CreateForm(FormHost *host, bool designMode, const QString &config) override;
    bool SaveForm() override;
    void DeleteForm(const QString &name) override;
    void AddHiddenFields() override;
    [[nodiscard]] QVector<DatasheetColumn> DatasheetColumns() override;
    [[nodiscard]] QVector<SubformSetting> ReferringTables() override;
    void SaveDatasheetColumns(const QVector<DatasheetColumn> &columns) override;

    // Connects with config, reads the form name and the table's columns and
    // creates the definition tables when missing; false after a message.
    bool PrepareDatabase(const QString &config);
    // The key of the stored form of that name, -1 when there is none.
    int FindFormId(const QString &name);
    // Makes the controls of the stored form (its rectangle, raster and title
    // go to host and form window).
    void LoadForm();
    // Creates QRTFORM and QRTFORMITEM where they are missing.
    void EnsureTables();
    // Makes and places a control for every column, as rows from the top.
    void GenerateForm();

    [[nodiscard]] const QString &FormName() const { return m_strFormName; }

private:
    Connection &OpenConnection() const; // E_POINTER without one
    // The control of one column in its category's kind; place puts it on
    // the form at once.
    void CreateColumnControl(const ColumnInfo &column, bool place);
    void CreateStoredControl(const ControlInfo &stored);
    // Gives the field of a column the column's way of reading and showing
    // values, and makes it read-only, saying why, where the form never
    // writes the column.
    void ConfigureField(const ColumnInfo &column);
    // A list of the rows the column refers to, unless the field's setting
    // is Off or the form is designed; the key alone where there is no list.
    void GiveChoices(CDynComboBox &box, const ColumnInfo &column);
    void ReadFormRow(Recordset &rows);
    // key: the form's row key; -1 takes the next free one.
    void WriteForm(Recordset &forms, Recordset &items, qint32 key);

    QString m_strFormName;  // FORMULARNAME of the configuration
    QString m_strFormTable; // "QRTFORM"
    QString m_strItemTable; // "QRTFORMITEM"
};

#endif // QRT_FORMDEF_CADOFORMBUILDER_H
