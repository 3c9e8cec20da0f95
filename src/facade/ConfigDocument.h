#ifndef QRT_FACADE_CONFIGDOCUMENT_H
#define QRT_FACADE_CONFIGDOCUMENT_H

#include "facade/KeloTypes.h"

#include <QString>

// The ADOBUILDER configuration document as the facades compose it: one
// string without white space between the pieces, values inserted verbatim
// (a "<" or "&" in a value makes the document unparsable, and the readers
// say so).
namespace ConfigDocument {

// "<ADOBUILDER DESIGNMODUS='@Designmodus'><FORMULARNAME>table</FORMULARNAME>
// <DBNAME>…<SERVERNAME>…<USERID>…<PASSWORT>…<TABELLENNAME>table</TABELLENNAME>
// <DBTYP>kind</DBTYP><FILTER></FILTER>" + tail + "</ADOBUILDER>"
QString compose(const QString &database, const QString &server, const QString &user,
                const QString &password, const QString &table, ns_qrttypen::KELODBTyp type,
                const QString &tail);

// "<name>content</name>", content inserted verbatim.
QString element(const QString &name, const QString &content);

// "<SUPPRESSCOLUMN AUTOVAL='true'>column</SUPPRESSCOLUMN>" (or 'false').
QString suppressColumn(const QString &column, bool autoValue);

} // namespace ConfigDocument

#endif // QRT_FACADE_CONFIGDOCUMENT_H
