// The CONTROLINFO reader on any text.
//
// Properties: a text is read, is no XML, or is no record, or lacks a
// required part (ComError E_POINTER, naming it); never anything else. What
// was read, written again with ControlInfo::toXml, reads back to the same
// values.
#include "FuzzSupport.h"

#include "formdef/ControlInfoReader.h"
#include "platform/ComError.h"

namespace {

QString describe(const ControlInfo &info)
{
    return QStringLiteral("typ=%1 name=%2 %3,%4,%5,%6 caption=%7 font=%8/%9/%10/%11 flags=%12")
        .arg(info.typ)
        .arg(info.name)
        .arg(info.left)
        .arg(info.right)
        .arg(info.top)
        .arg(info.bottom)
        .arg(info.caption, info.font.faceName)
        .arg(info.font.size)
        .arg(info.font.weight)
        .arg(int(info.font.italic))
        .arg(info.flags);
}

bool same(const ControlInfo &a, const ControlInfo &b)
{
    return a.typ == b.typ && a.name == b.name && a.left == b.left && a.right == b.right &&
           a.top == b.top && a.bottom == b.bottom && a.caption == b.caption && a.font == b.font &&
           a.flags == b.flags;
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
    const QString text = fuzz::text(data, size);
    ControlInfoReader reader;
    ControlInfo info;
    try {
        const ControlInfoReader::Result result = reader.read(text, info);
        if (result == ControlInfoReader::Result::NotXml)
            fuzz::check(!reader.errorText().isEmpty(), "a text that is no XML has a reason");
        if (result != ControlInfoReader::Result::Read)
            return 0;
    } catch (const ComError &error) {
        fuzz::check(error.code() == E_POINTER && !error.description().isEmpty(),
                    "an incomplete record names what it lacks", error.message());
        return 0;
    }
    const QString written = info.toXml();
    ControlInfo back;
    try {
        fuzz::check(reader.read(written, back) == ControlInfoReader::Result::Read,
                    "a written record reads", written);
    } catch (const ComError &error) {
        fuzz::fail("a written record is complete", written + QLatin1Char('\n') + error.message());
    }
    fuzz::check(same(info, back), "a record reads back unchanged",
                describe(info) + QStringLiteral("\n=> ") + describe(back) + QLatin1Char('\n') +
                    written);
    return 0;
}
