#ifndef QRT_XML_CXMLHELPER_H
#define QRT_XML_CXMLHELPER_H

#include "qrt_export.h"

#include <QDomDocument>
#include <QDomElement>
#include <QDomNode>
#include <QString>

#include <string>

// The one wrapper through which the library reads and writes XML: the
// ADOBUILDER configuration document, CONTROLINFO records and, underneath
// RecordText (which alone builds and parses them), the record text. Those
// documents are flat, so the lookups are by name and report absence by
// value (a null node, an empty text), never by error; only a missing node
// that an update needs raises a ComError with E_POINTER.
//
// Copies and assignments share one document (QDomDocument is a counted
// handle), so a change made through one copy is seen by all. The parse error
// text belongs to the helper that ran loadXml, not to the shared document.
class QRT_EXPORT CXmlHelper
{
public:
    CXmlHelper();

    // Replaces the whole content. A text that is not well-formed gives false
    // and leaves an empty document; parseError() then tells why.
    [[nodiscard]] bool loadXml(const QString &xml);
    // The parser's reason for the last failed loadXml, with line and column;
    // empty after a successful one.
    [[nodiscard]] const QString &parseError() const { return m_parseError; }

    // The shared document itself: changes made through it are seen here.
    [[nodiscard]] QDomDocument getXmlDocument() const { return m_document; }
    // The whole document as text, without added indentation or line breaks
    // (only the declarations inside a document type stand one a line), and
    // attributes by name. Loaded again, it gives back every text unchanged.
    [[nodiscard]] QString xml() const;

    // The first direct child of parent named name (exact, case-sensitive), or
    // a null node. A null parent stands for the document's first child.
    [[nodiscard]] QDomNode getChildItemByName(const QDomNode &parent, const QString &name) const;

    // Text content or markup of the first element, in document order, that
    // matches name: a tag name at any depth, or a path "A/B" of tag names each
    // a child of the one before. "" (empty, not null) when nothing matches.
    [[nodiscard]] QString getItemText(const QString &name) const;
    [[nodiscard]] QString getItemXml(const QString &name) const;

    // The attribute's value, "" when missing. A null node stands for the
    // document's first child (the root element of the library's documents).
    [[nodiscard]] QString getAttributeValue(const QDomNode &node, const QString &name) const;
    // Sets or replaces the attribute; node must be an element (E_POINTER).
    void setAttributeValue(const QDomNode &node, const QString &name, const QString &value);

    // Replaces the text of parent's child element name, or appends a new
    // element holding text when there is none. A null parent stands for the
    // document's first child when looking, and the document element when
    // appending; an empty document raises E_POINTER. Returns the element that
    // now holds the text (null when the matching child is not an element).
    QDomElement addElement(const QDomNode &parent, const QString &name, const QString &text);

    // The text with & < > ' " replaced by their entity references, for use as
    // element content or as an attribute value in either quotes. A null text
    // gives a null text. The 8-bit form takes UTF-8.
    [[nodiscard]] static QString getXmlDataString(const QString &text);
    [[nodiscard]] static QString getXmlDataString(const char *text);
    // getXmlDataString, and line feeds, carriage returns and tabs as the
    // character references &#10; &#13; &#9;: a parser turns those three into
    // blanks when they stand raw in an attribute value, so text composed into
    // an attribute by hand goes through this one.
    [[nodiscard]] static QString getXmlAttributeString(const QString &text);
    // Whether an XML document can hold every character of text. Most control
    // characters (a vertical tab from a line copied out of a word processor,
    // chr(0), chr(27)) and unpaired surrogates cannot, not even as character
    // references: a document holding one does not parse.
    [[nodiscard]] static bool canCarry(const QString &text);

private:
    // Replaces every occurrence of c present before the call by entity.
    static void InsertEntityRef(std::string &text, char c, const char *entity);

    [[nodiscard]] QDomElement firstMatchingElement(const QString &name) const;

    QDomDocument m_document;
    QString m_parseError;
};

#endif // QRT_XML_CXMLHELPER_H
