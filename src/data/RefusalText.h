#ifndef QRT_DATA_REFUSALTEXT_H
#define QRT_DATA_REFUSALTEXT_H

#include "data/component/TableSchema.h"
#include "platform/ComError.h"
#include "qrt_export.h"

#include <QHash>
#include <QString>

// What the user reads when the database refuses a record or a field: one
// short German sentence that names the fields by the captions the form shows
// and says what to do, then the database's own words for whoever needs them.
// Captions map a column to its label; a column without one is named by
// itself.
namespace RefusalText {

// DeleteSeveral: records deleted together, all or none.
enum class Action { Save, Delete, DeleteSeveral };

// "Das Feld E-Mail muss eindeutig sein: …\n\nMeldung der Datenbank: …"
QRT_AUTOTEST_EXPORT QString message(const EngineRefusal &refusal, Action action,
                                    const QHash<QString, QString> &captions,
                                    const QString &engineWords);
// Why the user cannot change a field the database fills or the form cannot show.
QRT_AUTOTEST_EXPORT QString readOnlyField(const QString &caption, ReadOnlyReason reason);
// The name the user knows a column by: its label without mnemonic and colon.
QRT_AUTOTEST_EXPORT QString caption(const QHash<QString, QString> &captions, const QString &column);

} // namespace RefusalText

#endif // QRT_DATA_REFUSALTEXT_H
