// Feeds arbitrary bytes to the RTF reader; whatever it accepts must survive being written
// and read again with the same plain text.
#include "OffscreenApplication.h"
#include "platform/text/AttributedText.h"
#include "platform/text/RichTextData.h"
#include "platform/text/RtfReader.h"

#include <QTextDocument>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace platform;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto doc = RtfReader::read(bytes);
    if (!doc)
        return 0;
    const QByteArray written = RichTextData::RTFData(*doc);
    const auto again = RichTextData::attributedStringWithRTFData(written);
    if (!again || AttributedText::string(*again) != AttributedText::string(*doc))
        abort();
    return 0;
}
