#ifndef QRT_RUNTIME_SUBFORM_H
#define QRT_RUNTIME_SUBFORM_H

#include "controls/ControlInfo.h"
#include "qrt_export.h"

#include <QObject>
#include <QPointer>
#include <QString>

class CDynSubform;
class CFormFrame;

// The records of a subform: a form of its own on the subform's table, shown
// as a datasheet inside the subform's frame, holding the records whose link
// column holds the key of the record the form around it shows. It follows
// that record: another record shown, another set of records. A new record
// gets the key in its link column (a fixed column of its configuration:
// see CSuppressColumn); while the form around it shows a new record, which
// has no key yet, there are none and none can be added.
//
// The record being edited in it is saved, or offered for saving, before the
// form around it saves or leaves its own record, so nothing typed is lost.
class QRT_AUTOTEST_EXPORT Subform final : public QObject
{
    Q_OBJECT

public:
    // control: the frame on owner's form; document: owner's configuration.
    Subform(CDynSubform &control, CFormFrame &owner, QString document);
    ~Subform() override;

    // The records' form; null while it could not be made.
    [[nodiscard]] CFormFrame *records() const;
    // The key the records refer to now ("" for none).
    [[nodiscard]] const QString &linkValue() const { return m_value; }

    // The configuration of the records' form: owner's database, the
    // subform's table, the link fixed to value, made from the columns
    // where the table has no stored form.
    [[nodiscard]] static QString documentFor(const QString &owner, const SubformSetting &setting,
                                             const QString &value);

private:
    // Shows the records of the key the owner's record has now.
    void follow();
    bool saveRecords(bool ask, bool mayCancel);

    CDynSubform &m_control;
    CFormFrame &m_owner;
    QString m_document;
    QString m_value;
    QPointer<CFormFrame> m_records;
    bool m_made = false;
};

#endif // QRT_RUNTIME_SUBFORM_H
