#include "formdef/CAdoFormBuilder.h"

#include "controls/CDynCheckbox.h"
#include "controls/CDynComboBox.h"
#include "controls/CDynEdit.h"
#include "controls/CDynPicture.h"
#include "data/FieldConversion.h"
#include "data/component/Connection.h"
#include "data/component/Recordset.h"
#include "data/component/engines/Backend.h"
#include "data/component/SqlDialect.h"
#include "data/component/TransactionGuard.h"
#include "formdef/ControlInfoReader.h"
#include "formdef/FormDefinitionSql.h"
#include "formdef/FormHost.h"
#include "formdef/FormWindow.h"
#include "formdef/LookupChoices.h"
#include "platform/ComError.h"
#include "platform/UserMessages.h"
#include "xml/CXmlHelper.h"

namespace {

// A whole number of the current row; 0 for a Null (the form table's edges,
// raster and flag are nullable).
qint32 number(FieldList &fields, const char *name)
{
    bool ok = false;
    const qint32 value = fields.Item(QString::fromLatin1(name)).Value().toInt32(&ok);
    return ok ? value : 0;
}

// The input kind of an edit field for its column's values.
InputKind inputKindOf(TypeCategory category)
{
    switch (category) {
    case TypeCategory::WholeNumber:
        return InputKind::WholeNumber;
    case TypeCategory::Fractional:
        return InputKind::DecimalNumber;
    case TypeCategory::Unknown:
    case TypeCategory::Text:
    case TypeCategory::Date:
    case TypeCategory::YesNo:
        break;
    }
    return InputKind::FreeText;
}

// Why a field of a column the form never writes is read-only.
QString readOnlyReason(ReadOnlyReason reason)
{
    switch (reason) {
    case ReadOnlyReason::Generated:
        return QStringLiteral("Der Wert wird von der Datenbank berechnet.");
    case ReadOnlyReason::Identity:
        return QStringLiteral("Der Wert wird von der Datenbank vergeben.");
    case ReadOnlyReason::None:
        break;
    }
    return QStringLiteral("Der Wert wird von der Datenbank bestimmt.");
}

// Whether a field of the column has a list to choose from: the rows its
// values refer to (a key to one column of another table) or the only values
// it takes (an enum, a list check), where the field edits text or numbers
// (a yes/no or date column stays the check box or date it is).
bool offersList(const ColumnInfo &column)
{
    return (!column.referencedTable.isEmpty() || !column.allowedValues.isEmpty()) &&
           column.category != TypeCategory::YesNo && column.category != TypeCategory::Date;
}

} // namespace

CAdoFormBuilder::CAdoFormBuilder()
    : m_strFormTable(FormDefinitionSql::FormTable), m_strItemTable(FormDefinitionSql::ItemTable)
{}

CAdoFormBuilder::~CAdoFormBuilder() = default;

Connection &CAdoFormBuilder::OpenConnection() const
{
    if (!m_connection)
        throw ComError(E_POINTER);
    return *m_connection;
}

FormWindow *CAdoFormBuilder::CreateForm(FormHost *host, bool designMode, const QString &config)
{
    m_host = host; // the owner of the messages from here on
    if (!PrepareDatabase(config)) {
        qrt::inform(QStringLiteral("AdoFormBuilder: Connect zur Datenbank ist fehlgeschlagen!"),
                    MessageOwner());
        return nullptr;
    }
    FormWindow *form = CFormBuilder::CreateForm(host, designMode, config);
    if (!form)
        return nullptr;
    bool stored = false;
    try {
        stored = FindFormId(m_strFormName) >= 0;
    } catch (const ComError &error) {
        qrt::inform(error.message(), MessageOwner());
        Clear();
        return nullptr;
    }
    m_stored = stored;
    if (stored) {
        LoadForm();
        AddHiddenFields();
        return form;
    }
    // A subform's records show on a table without a stored form too.
    CXmlHelper document;
    const bool subform =
        document.loadXml(config) && document.getXmlDocument().documentElement().attribute(
                                        QStringLiteral("UNTERFORMULAR")) == QLatin1String("true");
    if (designMode || subform) {
        GenerateForm();
        return form;
    }
    qrt::inform(QStringLiteral("Das Formular ") + m_strFormName +
                    QStringLiteral(" existiert noch nicht."),
                MessageOwner());
    Clear(); // no empty form window is left on the host
    return nullptr;
}

bool CAdoFormBuilder::PrepareDatabase(const QString &config)
{
    try {
        if (!LoadConfig(config))
            return false;
        ReadSuppressColumns(config);
        CXmlHelper xml;
        m_strFormName =
            xml.loadXml(config) ? xml.getItemText(QStringLiteral("FORMULARNAME")) : QString();
        // Suppressed columns get no control.
        if (!GetSpaltenInfos(m_tableName, true))
            return false;
        EnsureTables();
        return true;
    } catch (const ComError &error) {
        qrt::inform(error.systemText() + QStringLiteral("\r\n") + error.description() +
                        QStringLiteral("\r\nWahrscheinliche Ursache: Ungültiger Connectstring im "
                                       "AdoFormBuilder."),
                    MessageOwner());
        return false;
    }
}

void CAdoFormBuilder::EnsureTables()
{
    CreateLibraryTables({m_strFormTable, m_strItemTable}, [this](Connection &connection,
                                                                 const QStringList &missing) {
        FormDefinitionSql::Ddl ddl;
        ddl.ifNotExists = connection.canCreateIfNotExists();
        ddl.addConstraint = connection.canAddConstraint();
        QStringList statements;
        // A database with QRTFORM alone gets the item table only.
        if (missing.contains(m_strFormTable))
            statements << FormDefinitionSql::createFormTable(ddl);
        if (missing.contains(m_strItemTable))
            statements << FormDefinitionSql::createItemTable(connection.dialect(), ddl);
        for (const QString &statement : std::as_const(statements))
            connection.Execute(statement, nullptr, 0);
    });
}

int CAdoFormBuilder::FindFormId(const QString &name)
{
    Recordset rows =
        OpenConnection().Execute(FormDefinitionSql::findFormId(m_strFormTable, name), nullptr, 0);
    if (rows.IsEOF())
        return -1;
    const Variant key = rows.Fields().Item(0).Value();
    return key.isEmptyOrNull() ? -1 : key.toInt32();
}

void CAdoFormBuilder::LoadForm()
{
    try {
        Connection &connection = OpenConnection();
        // The form and table names are the same whenever the facade composed
        // the configuration; where they differ, the form found by
        // FindFormId is the one loaded.
        Recordset form = connection.Execute(
            FormDefinitionSql::readForm(m_strFormTable, m_strFormName), nullptr, 0);
        if (!form.IsEOF())
            ReadFormRow(form);
        form.Close();

        Recordset rows = connection.Execute(
            FormDefinitionSql::readControls(m_strItemTable, m_strFormName), nullptr, 0);
        ControlInfoReader reader;
        while (!rows.IsEOF()) {
            const QString record = rows.Fields().Item(0).Value().toString();
            ControlInfo stored;
            switch (reader.read(record, stored)) {
            case ControlInfoReader::Result::Read:
                CreateStoredControl(stored);
                break;
            case ControlInfoReader::Result::NotXml:
                qrt::inform(QStringLiteral("Der folgende Eintrag konnte nicht geladen "
                                           "werden:\r\n\r\n") +
                                record,
                            MessageOwner());
                break;
            case ControlInfoReader::Result::NoRecord:
                break; // nothing of a control in it
            }
            rows.MoveNext();
        }
    } catch (const ComError &error) {
        qrt::inform(
            error.systemText() + QStringLiteral("\r\n") + error.description() +
                QStringLiteral("\r\nWahrscheinliche Ursache: Ungültige "
                               "Control-Konfiguration (AdoFormBuilder::LoadForm)\r\n") +
                QStringLiteral("(HRESULT = 0x%1)").arg(QString::number(error.code(), 16).toUpper()),
            MessageOwner());
    }
}

void CAdoFormBuilder::ReadFormRow(Recordset &rows)
{
    FieldList &fields = rows.Fields();
    const qint32 left = number(fields, "FORM_LEFT");
    const qint32 top = number(fields, "FORM_TOP");
    const qint32 right = number(fields, "FORM_RIGHT");
    const qint32 bottom = number(fields, "FORM_BOTTOM");
    // A row without a rectangle (written by hand) leaves the host as it is
    // rather than shrinking it to nothing.
    if (m_host && right > left && bottom > top)
        m_host->MoveWindow(QRect(left, top, right - left, bottom - top));
    if (FormWindow *form = GetForm()) {
        form->setRasterX(number(fields, "RASTER_X"));
        form->setRasterY(number(fields, "RASTER_Y"));
        form->setRasterShown(number(fields, "SHOW_RASTER") == 1);
    }
    if (m_host)
        m_host->SetTitle(fields.Item(QStringLiteral("FORM_TITEL")).Value().toString());
}

void CAdoFormBuilder::CreateStoredControl(const ControlInfo &stored)
{
    switch (stored.typ) {
    case int(ControlKind::Static):
        AddStatic(stored);
        break;
    case int(ControlKind::Edit): {
        // A column that has gone gives the empty column: free text, no limit.
        // The defined size of a number column counts bytes (4 for an INT),
        // not characters: its field takes any number, as a generated one does.
        const ColumnInfo column = GetColumnInfo(stored.name);
        if (column.binary)
            AddPicture(stored);
        else if (offersList(column))
            AddComboBox(stored);
        else
            AddEdit(stored, inputKindOf(column.category),
                    column.category == TypeCategory::Text ? column.definedSize : 0);
        break;
    }
    case int(ControlKind::Checkbox):
        AddCheckbox(stored);
        break;
    case int(ControlKind::DateTime):
        AddDateTime(stored);
        break;
    case int(ControlKind::Frame):
        if (stored.subform.isEmpty())
            AddFrame(stored);
        else
            AddSubform(stored);
        break;
    default:
        break; // a kind of no control: only an existing one of its name is placed
    }
    if (stored.typ == int(ControlKind::Edit) || stored.typ == int(ControlKind::Checkbox) ||
        stored.typ == int(ControlKind::DateTime))
        ConfigureField(GetColumnInfo(stored.name));
    PlaceControlAt(stored.name, stored.left, stored.top, stored.right, stored.bottom);
}

void CAdoFormBuilder::ConfigureField(const ColumnInfo &column)
{
    CDynControl *control = FindControl(column.name);
    if (!control || column.name.isEmpty())
        return;
    if (auto *box = qobject_cast<CDynCheckbox *>(control)) {
        box->SetTriState(column.category == TypeCategory::YesNo && (column.flags & CF_NULLABLE));
        return;
    }
    if (auto *picture = qobject_cast<CDynPicture *>(control)) {
        if (column.readOnly)
            picture->SetReadOnlyReason(readOnlyReason(column.readOnlyReason));
        return;
    }
    auto *edit = qobject_cast<CDynEdit *>(control);
    if (!edit)
        return;
    const SqlDialect &dialect = dialectFor(databaseKindFromNumber(dbType()));
    edit->SetFieldFormat(FieldConversion::formatOf(column, QString::fromLatin1(dialect.lineBreak)));
    if (auto *box = qobject_cast<CDynComboBox *>(edit))
        GiveChoices(*box, column);
    if (column.readOnly)
        edit->SetReadOnlyReason(readOnlyReason(column.readOnlyReason));
}

void CAdoFormBuilder::GiveChoices(CDynComboBox &box, const ColumnInfo &column)
{
    // The design offers the columns that could name the rows; only a form
    // with data reads lists.
    const LookupSetting &setting = box.Lookup();
    if (column.referencedTable.isEmpty()) {
        // A list of the values the column takes: nothing to read or set.
        if (!m_designMode && setting.mode != LookupSetting::Mode::Off)
            box.SetChoices(std::make_shared<ListedChoices>(column.allowedValues));
        return;
    }
    if (!connection())
        return;
    if (m_designMode) {
        try {
            const LookupList list(*connection(), column);
            box.SetLookupColumns(list.textColumns(), list.displayColumn());
        } catch (const ComError &) {
            // Nothing to offer; the field keeps the setting it has.
        }
        return;
    }
    if (setting.mode == LookupSetting::Mode::Off)
        return;
    try {
        LookupList list(*connection(), column,
                        setting.mode == LookupSetting::Mode::Column ? setting.column : QString());
        if (list.displayColumn().isEmpty())
            return; // nothing to name the rows by: the key it is
        box.SetChoices(std::make_shared<LookupChoices>(std::move(list), MessageOwner()));
    } catch (const ComError &error) {
        // The field stays a field of the key, and the user knows why.
        qrt::inform(QStringLiteral("Das Feld %1 zeigt den Schlüssel statt einer Liste: %2")
                        .arg(column.name, error.message()),
                    MessageOwner());
    }
}

void CAdoFormBuilder::CreateColumnControl(const ColumnInfo &column, bool place)
{
    ControlKind kind = ControlKind::Edit;
    if (column.binary || offersList(column)) {
        if (column.binary)
            AddPicture(column.name);
        else
            AddComboBox(column.name);
        ConfigureField(column);
        if (place)
            PlaceControl(kind, column.name);
        return;
    }
    switch (column.category) {
    case TypeCategory::WholeNumber:
    case TypeCategory::Fractional:
        AddEdit(column.name, -1, -1, inputKindOf(column.category));
        break;
    case TypeCategory::Text:
        AddEdit(column.name, column.definedSize, column.definedSize, InputKind::FreeText);
        break;
    case TypeCategory::Date:
        AddDateTime(column.name);
        kind = ControlKind::DateTime;
        break;
    case TypeCategory::YesNo:
        AddCheckbox(column.name);
        kind = ControlKind::Checkbox;
        break;
    case TypeCategory::Unknown:
        // Binary, GUID and the like: free text, as a text without a length.
        AddEdit(column.name, -1, -1, InputKind::FreeText);
        break;
    }
    ConfigureField(column);
    if (place)
        PlaceControl(kind, column.name);
}

void CAdoFormBuilder::GenerateForm()
{
    for (const ColumnInfo &column : std::as_const(m_columns))
        CreateColumnControl(column, true);
}

QVector<SubformSetting> CAdoFormBuilder::ReferringTables()
{
    QVector<SubformSetting> found;
    if (!connection())
        return found;
    Backend &backend = connection()->backend();
    const TableSchema own = backend.schema(m_tableName);
    for (const QString &table : backend.tableNames()) {
        // The library's own tables refer to each other, never to a user's.
        if (table.startsWith(QLatin1String("QRT"), Qt::CaseInsensitive))
            continue;
        try {
            const TableSchema &schema = backend.schema(table);
            for (const KeySchema &key : schema.keys) {
                if (key.type == adKeyForeign && key.columns.size() == 1 &&
                    key.relatedTable.compare(own.name, Qt::CaseInsensitive) == 0)
                    found.append({schema.name, key.columns.constFirst(),
                                  key.relatedColumns.value(0, own.primaryKey().value(0))});
            }
        } catch (const ComError &) {
            // A table that cannot be read offers no subform.
        }
    }
    return found;
}

void CAdoFormBuilder::AddHiddenFields()
{
    // Controls of the stored form keep their place: a name the pool holds is
    // not made again.
    for (const ColumnInfo &column : std::as_const(m_columns))
        CreateColumnControl(column, false);
}

void CAdoFormBuilder::DeleteForm(const QString &name)
{
    if (name == m_strFormName)
        m_stored = false;
    const int key = FindFormId(name);
    if (key < 0)
        return;
    Connection &connection = OpenConnection();
    // The items go first, so the foreign key holds at every step; inside a
    // save this joins the save's transaction.
    TransactionGuard transaction(connection);
    connection.Execute(FormDefinitionSql::deleteRows(m_strItemTable, key), nullptr, 0);
    connection.Execute(FormDefinitionSql::deleteRows(m_strFormTable, key), nullptr, 0);
    transaction.commit();
}

QVector<CFormBuilder::DatasheetColumn> CAdoFormBuilder::DatasheetColumns()
{
    QVector<DatasheetColumn> columns;
    if (!LibraryTablesExist({FormDefinitionSql::DatasheetTable}))
        return columns; // nobody arranged a datasheet in this database yet
    Recordset rows =
        OpenConnection().Execute(FormDefinitionSql::readDatasheet(m_strFormName), nullptr, 0);
    while (!rows.IsEOF()) {
        columns.append(
            {rows.Fields().Item(0).Value().toString(), rows.Fields().Item(1).Value().toInt32()});
        rows.MoveNext();
    }
    return columns;
}

void CAdoFormBuilder::SaveDatasheetColumns(const QVector<DatasheetColumn> &columns)
{
    CreateLibraryTables(
        {FormDefinitionSql::DatasheetTable}, [](Connection &connection, const QStringList &) {
            FormDefinitionSql::Ddl ddl;
            ddl.ifNotExists = connection.canCreateIfNotExists();
            for (const QString &statement : FormDefinitionSql::createDatasheetTable(ddl))
                connection.Execute(statement, nullptr, 0);
        });
    Connection &connection = OpenConnection();
    Recordset rows;
    TransactionGuard transaction(connection);
    connection.Execute(FormDefinitionSql::deleteDatasheet(m_strFormName), nullptr, 0);
    rows.Open(FormDefinitionSql::DatasheetTable, connection, adOpenDynamic, adLockOptimistic, -1);
    for (qsizetype i = 0; i < columns.size(); ++i) {
        rows.AddNew();
        FieldList &row = rows.Fields();
        // Names go in as values: quotes in them need no quoting.
        row.Item(QStringLiteral("FORM_NAME")).PutValue(Variant(m_strFormName));
        row.Item(QStringLiteral("FIELD_NAME")).PutValue(Variant(columns.at(i).field));
        row.Item(QStringLiteral("FIELD_ORDER")).PutValue(Variant(qint32(i)));
        row.Item(QStringLiteral("FIELD_WIDTH")).PutValue(Variant(qint32(columns.at(i).width)));
        rows.Update();
    }
    rows.Close();
    transaction.commit();
}

bool CAdoFormBuilder::SaveForm()
{
    if (!GetForm() || !m_host)
        throw ComError(E_POINTER, QStringLiteral("Es ist kein Formular zum Speichern geöffnet."));
    Connection &connection = OpenConnection();
    // Declared before the transaction, so that they still are when it rolls
    // back: PostgreSQL frees their statements only before that.
    Recordset forms;
    Recordset items;
    TransactionGuard transaction(connection);
    // Saves of one form wait for each other: the second one then replaces
    // the first one's complete definition instead of interleaving with it.
    connection.lockSchemaChange(m_strFormTable + QLatin1Char(' ') + m_strFormName);
    // A form saved again keeps its key: the stored forms keep their order
    // (the first stored form is what a program shows by default) and a
    // save that changes nothing leaves the form's row as it was.
    const qint32 key = FindFormId(m_strFormName);
    DeleteForm(m_strFormName);
    WriteForm(forms, items, key);
    transaction.commit();
    m_stored = true;
    return true;
}

void CAdoFormBuilder::WriteForm(Recordset &forms, Recordset &items, qint32 key)
{
    Connection &connection = OpenConnection();
    FormWindow *form = GetForm();
    const QRect window = m_host->GetWindowRect();

    forms.Open(m_strFormTable, connection, adOpenDynamic, adLockOptimistic, -1);
    forms.AddNew();
    if (key < 0)
        key = GetNextKey(QStringLiteral("QRTFORM_ID"), m_strFormTable);
    FieldList &row = forms.Fields();
    row.Item(QStringLiteral("QRTFORM_ID")).PutValue(Variant(key));
    // Texts go in as values: a name or title with quotes needs no quoting.
    row.Item(QStringLiteral("NAME")).PutValue(Variant(m_strFormName));
    row.Item(QStringLiteral("FORM_LEFT")).PutValue(Variant(qint32(window.left())));
    row.Item(QStringLiteral("FORM_RIGHT"))
        .PutValue(Variant(qint32(window.left() + window.width())));
    row.Item(QStringLiteral("FORM_TOP")).PutValue(Variant(qint32(window.top())));
    row.Item(QStringLiteral("FORM_BOTTOM"))
        .PutValue(Variant(qint32(window.top() + window.height())));
    row.Item(QStringLiteral("RASTER_X")).PutValue(Variant(qint32(form->rasterX())));
    row.Item(QStringLiteral("RASTER_Y")).PutValue(Variant(qint32(form->rasterY())));
    row.Item(QStringLiteral("SHOW_RASTER"))
        .PutValue(Variant(qint32(form->isRasterShown() ? 1 : 0)));
    row.Item(QStringLiteral("FORM_TITEL")).PutValue(Variant(m_host->GetTitle()));
    forms.Update();
    forms.Close();

    // Only the controls on the form, in their order; the hidden fields come
    // back as such when the form is loaded.
    items.Open(m_strItemTable, connection, adOpenDynamic, adLockOptimistic, -1);
    for (const CDynControl *control : form->controls()) {
        items.AddNew();
        FieldList &item = items.Fields();
        item.Item(QStringLiteral("QRTFORMITEM_ID"))
            .PutValue(Variant(GetNextKey(QStringLiteral("QRTFORMITEM_ID"), m_strItemTable)));
        item.Item(QStringLiteral("QRTFORM_ID")).PutValue(Variant(key));
        item.Item(QStringLiteral("CONTROLINFO")).PutValue(Variant(control->GetControlInfo()));
        items.Update();
    }
    items.Close();
}
