#include "runtime/Subform.h"

#include "controls/CDynSubform.h"
#include "data/CDataMgr.h"
#include "platform/ComError.h"
#include "platform/UserMessages.h"
#include "runtime/CForm.h"
#include "runtime/CFormFrame.h"
#include "runtime/CFormMgr.h"
#include "xml/CXmlHelper.h"
#include "xml/RecordText.h"

#include <QLayout>

namespace {

// The text of the document's element of that name, made where missing.
void setItem(CXmlHelper &xml, const QString &name, const QString &text)
{
    QDomElement root = xml.getXmlDocument().documentElement();
    QDomElement item = root.firstChildElement(name);
    if (item.isNull()) {
        xml.addElement(root, name, text);
        return;
    }
    while (item.hasChildNodes())
        item.removeChild(item.firstChild());
    item.appendChild(xml.getXmlDocument().createTextNode(text));
}

} // namespace

Subform::Subform(CDynSubform &control, CFormFrame &owner, QString document)
    : m_control(control), m_owner(owner), m_document(std::move(document))
{
    connect(&owner, &CFormFrame::recordShown, this, &Subform::follow);
    if (CFormMgr *manager = owner.GetFormMgr())
        manager->addDependent(
            [this](bool ask, bool mayCancel) { return saveRecords(ask, mayCancel); });
    follow();
}

Subform::~Subform()
{
    delete m_records;
}

CFormFrame *Subform::records() const
{
    return m_records;
}

QString Subform::documentFor(const QString &owner, const SubformSetting &setting,
                             const QString &value)
{
    CXmlHelper xml;
    if (!xml.loadXml(owner))
        return QString();
    QDomElement root = xml.getXmlDocument().documentElement();
    root.setAttribute(QStringLiteral("DESIGNMODUS"), QStringLiteral("false"));
    root.setAttribute(QStringLiteral("UNTERFORMULAR"), QStringLiteral("true"));
    setItem(xml, QStringLiteral("FORMULARNAME"), setting.table);
    setItem(xml, QStringLiteral("TABELLENNAME"), setting.table);
    // The owner's filter, order and hidden columns are the owner's; the
    // records are those of the link, in the order the table keeps them.
    setItem(xml, QStringLiteral("FILTER"), QString());
    setItem(xml, QStringLiteral("SORT"), QString());
    for (QDomElement hidden = root.firstChildElement(QStringLiteral("SUPPRESSCOLUMN"));
         !hidden.isNull(); hidden = root.firstChildElement(QStringLiteral("SUPPRESSCOLUMN")))
        root.removeChild(hidden);
    QDomElement link = xml.addElement(root, QStringLiteral("SUPPRESSCOLUMN"), setting.link);
    link.setAttribute(QStringLiteral("AUTOVAL"), QStringLiteral("false"));
    link.setAttribute(QStringLiteral("WERT"), value);
    return xml.xml();
}

void Subform::follow()
{
    CFormMgr *manager = m_owner.GetFormMgr();
    CDataMgr *records = manager ? manager->dataManager() : nullptr;
    if (!records)
        return;
    // The key of the record shown, as stored: a new record has none yet.
    const bool stored = !records->GetPosition(false).newRecord;
    RecordText::Fields fields;
    const QString value = stored && RecordText::read(records->GetRecordXml(), &fields)
                              ? fields.value(m_control.Subform().key)
                              : QString();
    if (m_made && value == m_value)
        return;
    m_made = true;
    m_value = value;
    // The records' form stays; only which records it shows changes.
    if (CFormMgr *shown = m_records ? m_records->GetFormMgr() : nullptr) {
        try {
            shown->SetFixedValue(m_control.Subform().link, value);
            return;
        } catch (const ComError &error) {
            qrt::inform(error.message(), m_owner.window(), UserMessages::Severity::Error);
            return;
        }
    }
    // The records show where the user is not: the field the user is in (or
    // will be, in a window not shown yet) keeps the keyboard.
    QWidget *window = m_owner.window();
    const QPointer<QWidget> focus = window ? window->focusWidget() : nullptr;
    delete m_records;
    QWidget *container = m_control.Container();
    auto *frame = new CFormFrame(documentFor(m_document, m_control.Subform(), value), container);
    // The records in the form's font, not in the frame title's (often
    // bold), which a child takes for every property it does not set.
    QFont font = m_owner.font();
    font.setResolveMask(QFont::AllPropertiesResolved);
    frame->setFont(font);
    container->layout()->addWidget(frame);
    if (!frame->Init(false)) {
        delete frame;
        return;
    }
    frame->setView(CFormFrame::View::Datasheet);
    frame->show();
    m_records = frame;
    if (focus && !frame->isAncestorOf(focus))
        focus->setFocus(Qt::OtherFocusReason);
}

bool Subform::saveRecords(bool ask, bool mayCancel)
{
    CFormMgr *manager = m_records ? m_records->GetFormMgr() : nullptr;
    CForm *form = manager ? manager->GetForm() : nullptr;
    if (!form || !form->isAnyControlModified())
        return true;
    return ask ? manager->SaveCurRecord(mayCancel) : manager->SaveData();
}
