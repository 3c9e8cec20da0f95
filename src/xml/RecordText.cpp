#include "xml/RecordText.h"

#include "xml/CXmlHelper.h"

#include <QDomNamedNodeMap>

#include <algorithm>

namespace RecordText {

namespace {

const QString kRoot = QStringLiteral("RECORDSET");

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
}

// Whether an escape sequence _xHHHH_ starts at position i.
bool escapeAt(const QString &text, qsizetype i)
{
    if (i + 7 > text.size() || text.at(i) != QLatin1Char('_') ||
        text.at(i + 1) != QLatin1Char('x') || text.at(i + 6) != QLatin1Char('_'))
        return false;
    for (qsizetype k = i + 2; k < i + 6; ++k) {
        if (!isHexDigit(text.at(k)))
            return false;
    }
    return true;
}

// Whether the "_" at position i must be written encoded because a reader
// would otherwise take it for the start of a sequence: one the text holds
// already (_xHHHH_), or one that the encoding of the character after
// "_xHHHH" completes, since that encoding starts with "_" too.
template <typename EncodedAt>
bool underscoreStartsEscape(const QString &text, qsizetype i, EncodedAt encodedAt)
{
    if (escapeAt(text, i))
        return true;
    if (i + 7 > text.size() || text.at(i) != QLatin1Char('_') || text.at(i + 1) != QLatin1Char('x'))
        return false;
    for (qsizetype k = i + 2; k < i + 6; ++k) {
        if (!isHexDigit(text.at(k)))
            return false;
    }
    return encodedAt(i + 6);
}

QString escaped(char16_t unit)
{
    return QStringLiteral("_x") +
           QString::number(unsigned(unit), 16).toUpper().rightJustified(4, QLatin1Char('0')) +
           QLatin1Char('_');
}

// XML 1.0 (fifth edition) name characters of the basic plane, without the
// colon: a name with a colon would read as a namespace prefix to parsers
// that process namespaces.
bool isNameStartChar(char16_t c)
{
    return (c >= u'A' && c <= u'Z') || c == u'_' || (c >= u'a' && c <= u'z') ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD);
}

bool isNameChar(char16_t c)
{
    return isNameStartChar(c) || c == u'-' || c == u'.' || (c >= u'0' && c <= u'9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// Characters XML 1.0 can carry at all (surrogates are judged in pairs).
bool isXmlChar(char16_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD);
}

bool isHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool isLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// A name as an XML attribute name. Characters beyond the basic plane are
// name characters in the fifth edition only, so they are encoded too.
QString encodeName(const QString &name)
{
    // Past the first place only the name characters stay as they are.
    const auto encodedAt = [&name](qsizetype j) {
        return !isNameChar(name.at(j).unicode());
    };
    QString result;
    result.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        const bool fits = i == 0 ? isNameStartChar(c) : isNameChar(c);
        // "xmlns" alone declares a namespace wherever namespaces count.
        const bool declaresNamespace = i == 0 && name == QLatin1String("xmlns");
        if (!fits || declaresNamespace || underscoreStartsEscape(name, i, encodedAt))
            result += escaped(c);
        else
            result += QChar(c);
    }
    return result;
}

// A value's characters that XML cannot carry, encoded; the rest as it is
// (the entity references follow when the attribute is written).
QString encodeValue(const QString &value)
{
    // What XML cannot carry, except a surrogate that starts a pair.
    const auto encodedAt = [&value](qsizetype j) {
        const char16_t c = value.at(j).unicode();
        const bool pairStart =
            isHighSurrogate(c) && j + 1 < value.size() && isLowSurrogate(value.at(j + 1).unicode());
        return !isXmlChar(c) && !pairStart;
    };
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t c = value.at(i).unicode();
        if (isHighSurrogate(c) && i + 1 < value.size() &&
            isLowSurrogate(value.at(i + 1).unicode())) {
            result += value.at(i);
            result += value.at(++i);
        } else if (!isXmlChar(c) || underscoreStartsEscape(value, i, encodedAt)) {
            result += escaped(c);
        } else {
            result += QChar(c);
        }
    }
    return result;
}

QString decode(const QString &text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (escapeAt(text, i)) {
            result += QChar(char16_t(text.mid(i + 2, 4).toUShort(nullptr, 16)));
            i += 6;
        } else {
            result += text.at(i);
        }
    }
    return result;
}

// The attribute value as written between double quotes.
// A value that needs nothing of the encoding: letters, digits, blanks and
// most punctuation, which is what nearly every value is. A picture's
// millions of hexadecimal digits are taken as they are, not copied five
// times over.
bool isPlain(const QString &value)
{
    return std::all_of(value.cbegin(), value.cend(), [](QChar ch) {
        const char16_t c = ch.unicode();
        return c >= 0x20 && c < 0xD800 && c != u'&' && c != u'<' && c != u'>' && c != u'\'' &&
               c != u'"' && c != u'_';
    });
}

QString attributeText(const QString &value)
{
    if (isPlain(value))
        return value.isNull() ? QStringLiteral("") : value;
    QString text = CXmlHelper::getXmlDataString(encodeValue(value));
    if (text.isNull())
        return QStringLiteral("");
    // None of the three is part of a reference inserted above.
    text.replace(QLatin1Char('\n'), QLatin1String("&#10;"));
    text.replace(QLatin1Char('\r'), QLatin1String("&#13;"));
    text.replace(QLatin1Char('\t'), QLatin1String("&#9;"));
    return text;
}

} // namespace

QString Fields::value(const QString &name) const
{
    for (const Field &field : m_fields) {
        if (field.name == name)
            return field.value.isNull() ? QStringLiteral("") : field.value;
    }
    return QStringLiteral("");
}

bool Fields::contains(const QString &name) const
{
    return std::any_of(m_fields.begin(), m_fields.end(),
                       [&name](const Field &field) { return field.name == name; });
}

void Fields::set(const QString &name, const QString &value)
{
    for (Field &field : m_fields) {
        if (field.name == name) {
            field.value = value;
            return;
        }
    }
    m_fields.append(Field{name, value});
}

void Fields::remove(const QString &name)
{
    m_fields.removeIf([&name](const Field &field) { return field.name == name; });
}

QString noRecord()
{
    return QStringLiteral("<RECORDSET></RECORDSET>");
}

namespace {

// The text write() made last and the fields it holds. The form fills its
// controls from the very text the record data manager has just written for
// the current row; reading that text gives back exactly these fields (the
// encoding is reversible), so it is not parsed again. One per thread, as
// the texts are.
struct LastWritten
{
    QString text;
    Fields fields;
};
thread_local LastWritten lastWritten;

} // namespace

QString write(const Fields &fields)
{
    QString text = QStringLiteral("<RECORDSET ");
    Fields written;
    for (const Field &field : fields.all()) {
        if (field.name.isEmpty())
            continue;
        text += encodeName(field.name) + QStringLiteral("=\"") + attributeText(field.value) +
                QStringLiteral("\" ");
        written.set(field.name, field.value.isNull() ? QStringLiteral("") : field.value);
    }
    text += QStringLiteral("></RECORDSET>");
    lastWritten = LastWritten{text, written};
    return text;
}

bool read(const QString &text, Fields *fields, QString *error)
{
    if (!lastWritten.text.isEmpty() && text == lastWritten.text) {
        *fields = lastWritten.fields;
        if (error)
            error->clear();
        return true;
    }
    *fields = Fields();
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    CXmlHelper xml;
    if (!xml.loadXml(text))
        return fail(xml.parseError());
    const QDomElement root = xml.getXmlDocument().documentElement();
    if (root.tagName() != kRoot)
        return fail(
            QStringLiteral("Das Wurzelelement heißt \"%1\" statt RECORDSET.").arg(root.tagName()));
    Fields result;
    const QDomNamedNodeMap attributes = root.attributes();
    for (int i = 0; i < attributes.count(); ++i) {
        const QDomNode attribute = attributes.item(i);
        const QString name = decode(attribute.nodeName());
        if (result.contains(name))
            return fail(QStringLiteral("Die Spalte \"%1\" kommt zweimal vor.").arg(name));
        result.set(name, decode(attribute.nodeValue()));
    }
    *fields = result;
    if (error)
        error->clear();
    return true;
}

} // namespace RecordText
