#include "support/CustomerForm.h"

#include "controls/ControlInfo.h"
#include "data/component/SqlDialect.h"
#include "formdef/FormDefinitionSql.h"

#include <QStringList>

namespace CustomerForm {

QString nameOf(int row)
{
    return QStringLiteral("Kunde %1").arg(row, 3, 10, QLatin1Char('0'));
}

namespace {

const char *const kPlaces[] = {"Bonn", "Köln", "Aachen"};

// One control of the stored form: kind, name, caption, rectangle (right and
// bottom one past), flags.
struct Item
{
    ControlKind kind;
    const char *name;
    const char *caption;
    int left, top, right, bottom;
    unsigned flags = ControlFlags::Left;
};

// In tab order: the frames go first so that they lie below their fields.
const Item kLayout[] = {
    {ControlKind::Frame, "Kunde_RAHMEN", "Kunde", 10, 5, 470, 112},
    {ControlKind::Static, "name_TITEL", "Name:", 25, 29, 100, 45},
    {ControlKind::Edit, "name", "name", 105, 25, 300, 47},
    {ControlKind::Static, "ort_TITEL", "Ort:", 25, 55, 100, 71},
    {ControlKind::Edit, "ort", "ort", 105, 51, 300, 73},
    {ControlKind::Checkbox, "aktiv", "Aktiver Kunde", 320, 27, 455, 45},
    {ControlKind::Static, "termin_TITEL", "Termin:", 25, 81, 100, 97},
    {ControlKind::DateTime, "termin", "termin", 105, 77, 215, 99},
    {ControlKind::Static, "betrag_TITEL", "Betrag:", 240, 81, 300, 97},
    {ControlKind::Edit, "betrag", "betrag", 305, 77, 405, 99, ControlFlags::Right},
    {ControlKind::Frame, "Notiz_RAHMEN", "Notiz", 10, 120, 470, 250},
    {ControlKind::Edit, "notiz", "notiz", 25, 140, 455, 235,
     ControlFlags::Left | ControlFlags::MultiLine},
};

QString literal(const QString &text)
{
    return FormDefinitionSql::textLiteral(text);
}

// The table and its rows only (no stored form).
void createTable(const TestDatabase &db, int rows)
{
    db.exec(QStringLiteral("CREATE TABLE kunden (id INT PRIMARY KEY, name VARCHAR(40) NOT NULL, "
                           "ort VARCHAR(40), notiz TEXT, betrag DOUBLE PRECISION, termin "
                           "TIMESTAMP, aktiv BOOLEAN, besuche INT)"));
    QStringList values;
    for (int i = 1; i <= rows; ++i) {
        const QString note = i % 3 == 0 ? literal(QStringLiteral("Notiz zu Kunde %1").arg(i))
                                        : QStringLiteral("NULL");
        values << QStringLiteral("(%1, %2, %3, %4, %5, '%6', %7, %8)")
                      .arg(i)
                      .arg(literal(nameOf(i)), literal(QString::fromUtf8(kPlaces[(i - 1) % 3])),
                           note, QString::number(i / 3.0, 'g', 17),
                           QDate(2021, 3, 7).addDays(i).toString(Qt::ISODate) +
                               QStringLiteral(" 14:30:00"),
                           i % 2 ? QStringLiteral("TRUE") : QStringLiteral("FALSE"),
                           QString::number(i % 4));
        // A few hundred rows per statement keep a large file quick to make.
        if (values.size() == 500 || i == rows) {
            db.exec(QStringLiteral("INSERT INTO kunden VALUES ") + values.join(QLatin1Char(',')));
            values.clear();
        }
    }
}

// The stored form, with the form tables when they are missing.
void storeForm(const TestDatabase &db)
{
    // Declaring the foreign key with the table works on every engine.
    const FormDefinitionSql::Ddl ddl{true, false};
    if (!db.tryExec(QStringLiteral("SELECT COUNT(*) FROM QRTFORM"))) {
        db.exec(FormDefinitionSql::createFormTable(ddl));
        db.exec(FormDefinitionSql::createItemTable(dialectFor(db.kind()), ddl));
    }
    const QString formId = db.scalar(QStringLiteral("SELECT COALESCE(MAX(QRTFORM_ID), 0) + 1 "
                                                    "FROM QRTFORM"));
    db.exec(QStringLiteral("INSERT INTO QRTFORM VALUES (%1, 'kunden', 60, 80, 480, 640, "
                           "'Kunden', 5, 5, 1)")
                .arg(formId));
    int itemId = db.scalar(QStringLiteral("SELECT COALESCE(MAX(QRTFORMITEM_ID), 0) FROM "
                                          "QRTFORMITEM"))
                     .toInt();
    for (const Item &item : kLayout) {
        ControlInfo info;
        info.typ = int(item.kind);
        info.name = QString::fromUtf8(item.name);
        info.caption = QString::fromUtf8(item.caption);
        info.left = item.left;
        info.top = item.top;
        info.right = item.right;
        info.bottom = item.bottom;
        info.flags = item.flags;
        info.font = {QStringLiteral("MS Sans Serif"), 80, item.kind == ControlKind::Frame ? 700 : 0,
                     0};
        db.exec(QStringLiteral("INSERT INTO QRTFORMITEM VALUES (%1, %2, %3)")
                    .arg(++itemId)
                    .arg(formId, literal(info.toXml())));
    }
}

} // namespace

void create(const TestDatabase &db, int rows)
{
    createTable(db, rows);
    storeForm(db);
}

void init(CKeloForm &form, const TestDatabase &db)
{
    const auto kind = db.kind() == DatabaseKind::PostgreSql ? ns_qrttypen::KELO_POSTGRESQL
                                                            : ns_qrttypen::KELO_SQLITE;
    form.Init(db.dbName(), db.serverName(), db.userId(), db.password(), Table, kind);
    form.RemoveColumn(QStringLiteral("id"), true);
}

QString document(const TestDatabase &db, bool designMode, const QString &filter,
                 const QString &sort)
{
    CKeloForm form;
    init(form, db);
    return designMode ? form.FilledDocument(CKeloForm::EntryPoint::DesignForm)
                      : form.FilledDocument(CKeloForm::EntryPoint::ShowForm, filter, sort);
}

} // namespace CustomerForm
