#include "xml/CXmlHelper.h"

#include "platform/ComError.h"

#include <QDomDocumentType>
#include <QDomNamedNodeMap>
#include <QDomProcessingInstruction>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// The text lookups give "" for "nothing there", never a null text: absence
// is only told apart where a caller asks for a node.
QString orEmpty(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

// True when the ancestors of element, nearest first, bear the names of the
// path steps before the last one, read backwards.
bool matchesPath(const QDomElement &element, const QStringList &steps)
{
    QDomNode ancestor = element.parentNode();
    for (qsizetype i = steps.size() - 2; i >= 0; --i) {
        if (!ancestor.isElement() || ancestor.nodeName() != steps.at(i))
            return false;
        ancestor = ancestor.parentNode();
    }
    return true;
}

// Replaces an element's content by one text (none for an empty text, so that
// the element serialises as an empty one); other nodes just take the value.
void replaceText(QDomDocument &document, QDomNode &node, const QString &text)
{
    if (!node.isElement()) {
        node.setNodeValue(text);
        return;
    }
    while (!node.firstChild().isNull())
        node.removeChild(node.firstChild());
    if (!text.isEmpty())
        node.appendChild(document.createTextNode(text));
}

// Writes node and everything below it as markup, the way QDomNode::save does
// with indentation turned off, but without the line break QDom puts after a
// processing instruction, a comment or the document type. Inside an element
// such a break is read back as part of the next text, so a text after a
// processing instruction would grow by one line with every load and save.
// Text, CDATA sections, entity references and attributes are still written
// by QDom itself, so their escaping stays what it always was.
void writeMarkup(QTextStream &out, const QDomNode &node)
{
    switch (node.nodeType()) {
    case QDomNode::ElementNode: {
        const QString name = node.nodeName();
        out << '<' << name;
        // By name: QDom keeps attributes in a hash whose order changes from
        // one run of the program to the next, and a document written twice
        // must come out the same.
        const QDomNamedNodeMap attributes = node.attributes();
        QList<QDomNode> sorted;
        sorted.reserve(attributes.count());
        for (int i = 0; i < attributes.count(); ++i)
            sorted.append(attributes.item(i));
        std::sort(sorted.begin(), sorted.end(),
                  [](const QDomNode &a, const QDomNode &b) { return a.nodeName() < b.nodeName(); });
        for (const QDomNode &attribute : std::as_const(sorted)) {
            out << ' ';
            attribute.save(out, -1);
        }
        if (!node.hasChildNodes()) {
            out << "/>";
            return;
        }
        out << '>';
        for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling())
            writeMarkup(out, child);
        out << "</" << name << '>';
        return;
    }
    case QDomNode::ProcessingInstructionNode: {
        const QDomProcessingInstruction instruction = node.toProcessingInstruction();
        out << "<?" << instruction.target();
        if (!instruction.data().isEmpty())
            out << ' ' << instruction.data();
        out << "?>";
        return;
    }
    case QDomNode::CommentNode: {
        // A comment must not end in "-" right before its "-->".
        const QString text = node.nodeValue();
        out << "<!--" << text << (text.endsWith(QLatin1Char('-')) ? " -->" : "-->");
        return;
    }
    case QDomNode::DocumentTypeNode: {
        // QDom writes the declarations of the internal subset one a line;
        // those breaks are part of the type, not of any content. The one
        // after the closing ">" is dropped.
        QString type;
        QTextStream typeOut(&type);
        node.save(typeOut, -1);
        typeOut.flush();
        while (type.endsWith(QLatin1Char('\n')))
            type.chop(1);
        out << type;
        return;
    }
    case QDomNode::DocumentNode:
    case QDomNode::DocumentFragmentNode: {
        // The document type is no child of the document: it goes after the
        // XML declaration, or first when there is none.
        const QDomDocumentType type =
            node.isDocument() ? node.toDocument().doctype() : QDomDocumentType();
        bool typeWritten = type.isNull() || type.name().isEmpty();
        for (QDomNode child = node.firstChild(); !child.isNull(); child = child.nextSibling()) {
            if (!typeWritten &&
                !(child.isProcessingInstruction() && child.nodeName() == QLatin1String("xml"))) {
                writeMarkup(out, type);
                typeWritten = true;
            }
            writeMarkup(out, child);
        }
        return;
    }
    default:
        // Text (escaped as element content), CDATA sections, entity
        // references: QDom writes these without a line break.
        node.save(out, -1);
        return;
    }
}

QString markupOf(const QDomNode &node)
{
    QString markup;
    QTextStream out(&markup);
    writeMarkup(out, node);
    out.flush();
    return markup;
}

} // namespace

// A named document (even with an empty name) has its data from the start, so
// copies taken before the first loadXml already share it; a default
// QDomDocument would create fresh data on loading and leave the copies behind.
CXmlHelper::CXmlHelper() : m_document(QString()) {}

bool CXmlHelper::loadXml(const QString &xml)
{
    QString message;
    int line = 0;
    int column = 0;
    // Without namespace processing node names stay as written ("x:NAME"),
    // which is what the name lookups compare against.
    if (m_document.setContent(xml, false, &message, &line, &column)) {
        m_parseError.clear();
        return true;
    }
    // The parser keeps what it read before the error; a half-read
    // configuration must not look like a valid one to later lookups.
    while (!m_document.firstChild().isNull())
        m_document.removeChild(m_document.firstChild());
    m_parseError = QStringLiteral("%1 (line %2, column %3)").arg(message).arg(line).arg(column);
    return false;
}

QString CXmlHelper::xml() const
{
    return markupOf(m_document);
}

QDomNode CXmlHelper::getChildItemByName(const QDomNode &parent, const QString &name) const
{
    const QDomNode searched = parent.isNull() ? m_document.firstChild() : parent;
    // Text and comment children are named "#text" and "#comment", so they
    // never match an element name.
    for (QDomNode child = searched.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (child.nodeName() == name)
            return child;
    }
    return {};
}

QDomElement CXmlHelper::firstMatchingElement(const QString &name) const
{
    const QStringList steps = name.split(QLatin1Char('/'));
    const QDomNodeList candidates = m_document.elementsByTagName(steps.last());
    for (int i = 0; i < candidates.count(); ++i) {
        const QDomElement element = candidates.at(i).toElement();
        if (matchesPath(element, steps))
            return element;
    }
    return {};
}

QString CXmlHelper::getItemText(const QString &name) const
{
    return orEmpty(firstMatchingElement(name).text());
}

QString CXmlHelper::getItemXml(const QString &name) const
{
    const QDomElement element = firstMatchingElement(name);
    if (element.isNull())
        return QStringLiteral("");
    return orEmpty(markupOf(element));
}

QString CXmlHelper::getAttributeValue(const QDomNode &node, const QString &name) const
{
    const QDomNode owner = node.isNull() ? m_document.firstChild() : node;
    return orEmpty(owner.attributes().namedItem(name).nodeValue());
}

void CXmlHelper::setAttributeValue(const QDomNode &node, const QString &name, const QString &value)
{
    // No fall-back to the root here: an update aimed at a node the caller
    // failed to find must not silently land on another one.
    QDomElement element = node.toElement();
    if (element.isNull())
        throw ComError(
            E_POINTER,
            QStringLiteral("CXmlHelper::setAttributeValue: no element for %1").arg(name));
    element.setAttribute(name, value);
}

QDomElement CXmlHelper::addElement(const QDomNode &parent, const QString &name, const QString &text)
{
    QDomNode existing = getChildItemByName(parent, name);
    if (!existing.isNull()) {
        replaceText(m_document, existing, text);
        return existing.toElement();
    }
    // A given parent receives the new element too, so that a second call finds
    // it where the first one put it.
    QDomElement target = parent.isNull() ? m_document.documentElement() : parent.toElement();
    if (target.isNull())
        throw ComError(E_POINTER,
                       QStringLiteral("CXmlHelper::addElement: no element to add %1 to").arg(name));
    QDomNode element = target.appendChild(m_document.createElement(name));
    replaceText(m_document, element, text);
    return element.toElement();
}

QString CXmlHelper::getXmlDataString(const QString &text)
{
    if (text.isNull())
        return {};
    // The five characters are ASCII and never part of a multi-byte UTF-8
    // sequence, so working on the UTF-8 bytes leaves every other character as
    // it is.
    std::string work = text.toStdString();
    // The ampersand goes first, so the references inserted by the later steps
    // are not escaped again.
    InsertEntityRef(work, '&', "&amp;");
    InsertEntityRef(work, '<', "&lt;");
    InsertEntityRef(work, '>', "&gt;");
    InsertEntityRef(work, '\'', "&apos;");
    InsertEntityRef(work, '"', "&quot;");
    return QString::fromStdString(work);
}

QString CXmlHelper::getXmlDataString(const char *text)
{
    return getXmlDataString(QString::fromUtf8(text));
}

void CXmlHelper::InsertEntityRef(std::string &text, char c, const char *entity)
{
    const std::size_t length = std::strlen(entity);
    // Searching on from p + 1 steps into the inserted reference, which holds c
    // only when c is '&' and then only at its first character.
    for (std::size_t p = text.find(c); p != std::string::npos; p = text.find(c, p + 1))
        text.replace(p, 1, entity, length);
}

bool CXmlHelper::canCarry(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        const bool carried = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                             (c >= 0xE000 && c <= 0xFFFD);
        if (!carried)
            return false;
    }
    return true;
}

QString CXmlHelper::getXmlAttributeString(const QString &text)
{
    QString escaped = getXmlDataString(text);
    if (escaped.isNull())
        return escaped;
    // None of the three is part of a reference inserted above, so the order
    // does not matter.
    escaped.replace(QLatin1Char('\n'), QLatin1String("&#10;"));
    escaped.replace(QLatin1Char('\r'), QLatin1String("&#13;"));
    escaped.replace(QLatin1Char('\t'), QLatin1String("&#9;"));
    return escaped;
}
