#include "controls/ControlInfo.h"

#include "xml/CXmlHelper.h"

namespace {

// The text with every character that XML cannot carry replaced by U+FFFD:
// one such character would leave the whole record unreadable, and the
// control would be lost the next time the form is loaded.
QString carried(const QString &text)
{
    if (CXmlHelper::canCarry(text))
        return text;
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QString one = text.mid(i, text.at(i).isHighSurrogate() ? 2 : 1);
        result += CXmlHelper::canCarry(one) ? one : QString(QChar::ReplacementCharacter);
        i += one.size() - 1;
    }
    return result;
}

} // namespace

QString ControlInfo::toXml() const
{
    const auto escaped = [](const QString &raw) {
        const QString text = carried(raw);
        // A null text escapes to a null text; the record wants it empty. A
        // parser reads every line break as a line feed, so a carriage return
        // goes in as a character reference: a caption typed with "\r\n"
        // comes back as it was typed.
        QString result = CXmlHelper::getXmlDataString(text);
        return result.isNull() ? QStringLiteral("")
                               : result.replace(QLatin1Char('\r'), QStringLiteral("&#13;"));
    };
    // In an attribute a parser reads line breaks and tabs as blanks.
    const QString faceName = CXmlHelper::getXmlAttributeString(carried(font.faceName));
    const QString align = (flags & ControlFlags::Right)    ? QStringLiteral("Right")
                          : (flags & ControlFlags::Center) ? QStringLiteral("Center")
                                                           : QStringLiteral("Left");
    const QString multiLine =
        (flags & ControlFlags::MultiLine) ? QStringLiteral("True") : QStringLiteral("False");

    QString xml;
    xml += QStringLiteral("<CONTROLINFO TYP=\"%1\">").arg(typ);
    xml += QStringLiteral("<NAME>") + escaped(name) + QStringLiteral("</NAME>");
    xml += QStringLiteral("<LEFT>%1</LEFT>").arg(left);
    xml += QStringLiteral("<RIGHT>%1</RIGHT>").arg(right);
    xml += QStringLiteral("<TOP>%1</TOP>").arg(top);
    xml += QStringLiteral("<BOTTOM>%1</BOTTOM>").arg(bottom);
    xml += QStringLiteral("<CAPTION>") + escaped(caption) + QStringLiteral("</CAPTION>");
    xml += QStringLiteral("<FONT NAME=\"") + (faceName.isNull() ? QStringLiteral("") : faceName) +
           QStringLiteral("\" ");
    xml += QStringLiteral("SIZE=\"%1\" ").arg(font.size);
    xml += QStringLiteral("BOLD=\"%1\" ").arg(font.weight);
    xml += QStringLiteral("ITALIC=\"%1\"").arg(int(font.italic));
    xml += QStringLiteral("></FONT>");
    xml += QStringLiteral("<ALIGN>") + align + QStringLiteral("</ALIGN>");
    xml += QStringLiteral("<MULTILINE>") + multiLine + QStringLiteral("</MULTILINE>");
    if (lookup.mode == LookupSetting::Mode::Column)
        xml += QStringLiteral("<LOOKUP DISPLAY=\"") +
               CXmlHelper::getXmlAttributeString(carried(lookup.column)) +
               QStringLiteral("\"></LOOKUP>");
    else if (lookup.mode == LookupSetting::Mode::Off)
        xml += QStringLiteral("<LOOKUP OFF=\"True\"></LOOKUP>");
    if (!subform.isEmpty())
        xml += QStringLiteral("<SUBFORM TABLE=\"") +
               CXmlHelper::getXmlAttributeString(carried(subform.table)) +
               QStringLiteral("\" LINK=\"") +
               CXmlHelper::getXmlAttributeString(carried(subform.link)) +
               QStringLiteral("\" KEY=\"") +
               CXmlHelper::getXmlAttributeString(carried(subform.key)) +
               QStringLiteral("\"></SUBFORM>");
    xml += QStringLiteral("</CONTROLINFO>");
    return xml;
}
