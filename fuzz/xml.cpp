// CXmlHelper on any text, and the record text codec on any names and values.
//
// Properties: a text either loads or gives a parse error with a reason; a
// loaded document written out loads again into the same text and gives back
// the same texts; every lookup of any name answers without throwing; the
// record text carries any field names and values (any UTF-16 code units)
// through write and read unchanged.
#include "FuzzSupport.h"

#include "xml/CXmlHelper.h"
#include "xml/RecordText.h"

namespace {

void lookups(const CXmlHelper &xml, const QString &name)
{
    (void)xml.getItemText(name);
    (void)xml.getItemXml(name);
    (void)xml.getAttributeValue(QDomNode(), name);
    const QDomNode child = xml.getChildItemByName(QDomNode(), name);
    if (!child.isNull())
        (void)xml.getAttributeValue(child, name);
}

void document(const QString &input)
{
    const QStringList parts = fuzz::parts(input, 3);
    CXmlHelper xml;
    if (!xml.loadXml(parts.at(0))) {
        fuzz::check(!xml.parseError().isEmpty(), "a refused text has a reason", parts.at(0));
        lookups(xml, parts.at(1));
        return;
    }
    fuzz::check(xml.parseError().isEmpty(), "a loaded text has no parse error");
    lookups(xml, parts.at(1));
    lookups(xml, parts.at(1) + QLatin1Char('/') + parts.at(2));

    const QString written = xml.xml();
    CXmlHelper again;
    fuzz::check(again.loadXml(written), "what the helper writes loads again",
                parts.at(0) + QStringLiteral("\n=> ") + written + QLatin1Char('\n') +
                    again.parseError());
    fuzz::check(again.xml() == written, "writing is stable",
                written + QStringLiteral("\n=> ") + again.xml());
    // Stable is not enough: a writer that adds or drops a character once
    // and then keeps it is stable too.
    const QString text = xml.getXmlDocument().documentElement().text();
    fuzz::check(again.getXmlDocument().documentElement().text() == text,
                "the texts read back as they were", written);

    // An attribute set through the helper, with any value, reads back.
    const QDomElement root = xml.getXmlDocument().documentElement();
    if (!root.isNull()) {
        const QString value = parts.at(2);
        xml.setAttributeValue(root, QStringLiteral("FUZZ"), value);
        fuzz::check(xml.getAttributeValue(root, QStringLiteral("FUZZ")) == value,
                    "a set attribute reads back");
    }
}

void recordText(const QString &input)
{
    // Pairs of name and value, separated by NULs as the fuzzer made them.
    const QStringList parts = input.split(QChar(0));
    RecordText::Fields fields;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (!parts.at(i).isEmpty())
            fields.set(parts.at(i), parts.at(i + 1));
    }
    const QString text = RecordText::write(fields);
    RecordText::Fields back;
    QString reason;
    fuzz::check(RecordText::read(text, &back, &reason), "a written record text reads",
                text + QLatin1Char('\n') + reason);
    fuzz::check(back.size() == fields.size(), "every field comes back", text);
    for (const RecordText::Field &field : fields.all()) {
        fuzz::check(back.contains(field.name), "the field's name comes back", field.name);
        fuzz::check(back.value(field.name) == field.value, "the field's value comes back",
                    field.name + QStringLiteral(" = ") + field.value);
    }

    // And the input itself as a record text: read, or refused with a reason.
    RecordText::Fields any;
    QString why;
    if (!RecordText::read(input, &any, &why))
        fuzz::check(!why.isEmpty() && any.isEmpty(), "a refused record text has a reason");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 64 * 1024)
        return -1;
    // The first byte picks the reader; the rest is its text, read as UTF-8
    // (what files hold) or as raw UTF-16 (what a QString may hold).
    if (size < 1)
        return 0;
    const uint8_t mode = data[0];
    const QString input =
        (mode & 1) ? fuzz::utf16(data + 1, size - 1) : fuzz::text(data + 1, size - 1);
    if (mode & 2)
        recordText(input);
    else
        document(input);
    return 0;
}
