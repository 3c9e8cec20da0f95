#ifndef QRT_XML_RECORDTEXT_H
#define QRT_XML_RECORDTEXT_H

// The record text: one row of a table as the form sees it, travelling as
// text between the record data manager and the form.
//
//     <RECORDSET Name="Meier" Betrag="12.50000000" Datum="07.03.2021" ></RECORDSET>
//
// One RECORDSET element whose attributes, named after the columns, hold the
// values as text; every attribute is followed by one blank, a Null field has
// no attribute, and "<RECORDSET></RECORDSET>" (noRecord()) stands for no row
// at all. What the value texts look like per column type is the data layer's
// business (FieldConversion); this codec only carries names and texts.
//
// write() and read() are the only way record texts are built and parsed:
// the record data manager writes the current row and reads what the form
// gives back, the form runtime reads the row to fill its controls and writes
// the controls' texts back. Whoever composes or parses a record text by
// hand (string concatenation, a DOM of its own) loses what the encoding
// below protects.
//
// Encoding. A column may be called "Kunden Nr" or "Preis (EUR)", and a text
// may hold characters XML cannot carry at all (chr(11), chr(0), unpaired
// surrogates), not even as character references. Both are encoded
// reversibly, names and values alike, as _xHHHH_ (the UTF-16 code unit in
// four hexadecimal digits, the way SQL Server and .NET encode names for XML):
//   - in a name, every character that may not stand there in an XML name
//     (a blank, "(", ":", a digit in first place ...);
//   - in a value, every character XML 1.0 cannot carry;
//   - in both, an "_" that would otherwise start such a sequence, so that a
//     column really called "A_x0020_B" stays itself (A_x005F_x0020_B).
// Everything else is written as XML escapes it: & < > ' " as entity
// references, line feed, carriage return and tab as character references
// (a parser turns them into blanks when they stand raw in an attribute).
// Ordinary names and values are therefore written exactly as before the
// encoding existed: Name="Köln &amp; Co".
//
// Costs: both directions are linear in the text; read() parses one small DOM,
// except for the text write() made last on the same thread (the form
// filling its controls from the row just rendered), which it recognises by
// one comparison and answers from what was written.

#include "qrt_export.h"

#include <QString>
#include <QVector>

namespace RecordText {

// One field: the column's name and its value as text, both as they are
// (decoded).
struct Field
{
    QString name;
    QString value;
};

// The fields of one record text, in the order written (read() keeps the
// order the parser reports, which callers must not rely on).
class QRT_EXPORT Fields
{
public:
    // The value of the field of exactly that name (case-sensitive); "" (not
    // null) when there is none, as for a Null field.
    [[nodiscard]] QString value(const QString &name) const;
    [[nodiscard]] bool contains(const QString &name) const;
    // Replaces the value of the field of that name, or appends the field.
    void set(const QString &name, const QString &value);
    // Removes the field of that name (it then stands for Null).
    void remove(const QString &name);
    // Room for that many fields, for a caller that sets them one by one.
    void reserve(qsizetype count) { m_fields.reserve(count); }

    [[nodiscard]] const QVector<Field> &all() const { return m_fields; }
    [[nodiscard]] bool isEmpty() const { return m_fields.isEmpty(); }
    [[nodiscard]] qsizetype size() const { return m_fields.size(); }

private:
    QVector<Field> m_fields;
};

// "<RECORDSET></RECORDSET>": the record text of no row.
[[nodiscard]] QRT_EXPORT QString noRecord();

// The record text of the fields, in their order. Fields with an empty name
// cannot be written and are left out.
[[nodiscard]] QRT_EXPORT QString write(const Fields &fields);

// The fields of a record text. False when the text is no record text (not
// well-formed, another root element, two attributes for one name); error
// then receives the reason, and fields is left empty.
[[nodiscard]] QRT_EXPORT bool read(const QString &text, Fields *fields, QString *error = nullptr);

} // namespace RecordText

#endif // QRT_XML_RECORDTEXT_H
