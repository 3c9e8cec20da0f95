#include "formdef/ControlInfoReader.h"

#include "platform/ComError.h"
#include "xml/CXmlHelper.h"

#include <QDomNamedNodeMap>
#include <QDomNodeList>

#include <limits>

namespace {

// The direct child element of record named name; a record without it is
// broken, and says which part is missing.
QDomNode requiredChild(const CXmlHelper &xml, const QDomNode &record, const QString &name)
{
    const QDomNode child = xml.getChildItemByName(record, name);
    if (child.isNull())
        throw ComError(E_POINTER,
                       QStringLiteral("Dem Steuerelement fehlt der Eintrag %1.").arg(name));
    return child;
}

QString requiredText(const CXmlHelper &xml, const QDomNode &record, const QString &name)
{
    return requiredChild(xml, record, name).toElement().text();
}

} // namespace

int ControlInfoReader::atoi(const QString &text)
{
    qsizetype pos = 0;
    while (pos < text.size() && text.at(pos).isSpace())
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text.at(pos) == QLatin1Char('-') || text.at(pos) == QLatin1Char('+')))
        negative = text.at(pos++) == QLatin1Char('-');
    qint64 value = 0;
    while (pos < text.size() && text.at(pos) >= QLatin1Char('0') &&
           text.at(pos) <= QLatin1Char('9')) {
        // Saturate instead of overflowing: a stored coordinate of twenty
        // digits is nonsense, but no reason for undefined behaviour.
        value = qMin(value * 10 + (text.at(pos).unicode() - '0'),
                     qint64(std::numeric_limits<int>::max()) + 1);
        ++pos;
    }
    if (negative)
        value = -value;
    return int(qBound(qint64(std::numeric_limits<int>::min()), value,
                      qint64(std::numeric_limits<int>::max())));
}

ControlInfoReader::Result ControlInfoReader::read(const QString &text, ControlInfo &info)
{
    m_errorText.clear();
    CXmlHelper xml;
    if (!xml.loadXml(text)) {
        m_errorText = xml.parseError();
        return Result::NotXml;
    }
    const QDomNodeList records =
        xml.getXmlDocument().elementsByTagName(QStringLiteral("CONTROLINFO"));
    if (records.isEmpty())
        return Result::NoRecord;
    const QDomNode record = records.at(0);

    ControlInfo read;
    const QDomNode typ = record.attributes().namedItem(QStringLiteral("TYP"));
    if (typ.isNull())
        throw ComError(E_POINTER, QStringLiteral("Dem Steuerelement fehlt die Angabe TYP."));
    read.typ = atoi(typ.nodeValue());
    read.bottom = atoi(requiredText(xml, record, QStringLiteral("BOTTOM")));
    read.right = atoi(requiredText(xml, record, QStringLiteral("RIGHT")));
    read.top = atoi(requiredText(xml, record, QStringLiteral("TOP")));
    read.left = atoi(requiredText(xml, record, QStringLiteral("LEFT")));
    read.caption = requiredText(xml, record, QStringLiteral("CAPTION"));
    read.name = requiredText(xml, record, QStringLiteral("NAME"));

    const QDomNode font = requiredChild(xml, record, QStringLiteral("FONT"));
    read.font.faceName = xml.getAttributeValue(font, QStringLiteral("NAME"));
    read.font.size = atoi(xml.getAttributeValue(font, QStringLiteral("SIZE")));
    read.font.weight = atoi(xml.getAttributeValue(font, QStringLiteral("BOLD")));
    read.font.italic = atoi(xml.getAttributeValue(font, QStringLiteral("ITALIC"))) != 0 ? 1 : 0;

    const QString align = requiredText(xml, record, QStringLiteral("ALIGN"));
    if (align == QLatin1String("Right"))
        read.flags = ControlFlags::Right;
    else if (align == QLatin1String("Center"))
        read.flags = ControlFlags::Center;
    else
        read.flags = ControlFlags::Left;
    if (requiredText(xml, record, QStringLiteral("MULTILINE")) == QLatin1String("True"))
        read.flags |= ControlFlags::MultiLine;

    // Optional, and only in records written since fields have lists.
    const QDomNode lookup = xml.getChildItemByName(record, QStringLiteral("LOOKUP"));
    if (!lookup.isNull()) {
        const QString display = xml.getAttributeValue(lookup, QStringLiteral("DISPLAY"));
        if (xml.getAttributeValue(lookup, QStringLiteral("OFF")) == QLatin1String("True"))
            read.lookup.mode = LookupSetting::Mode::Off;
        else if (!display.isEmpty())
            read.lookup = {LookupSetting::Mode::Column, display};
    }
    const QDomNode subform = xml.getChildItemByName(record, QStringLiteral("SUBFORM"));
    if (!subform.isNull())
        read.subform = {xml.getAttributeValue(subform, QStringLiteral("TABLE")),
                        xml.getAttributeValue(subform, QStringLiteral("LINK")),
                        xml.getAttributeValue(subform, QStringLiteral("KEY"))};

    info = read;
    return Result::Read;
}
