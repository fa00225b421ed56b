// Feeds arbitrary bytes to the flat RTFD reader and to rich-text data reading; files it
// accepts must come back unchanged from a write and a second read.
#include "OffscreenApplication.h"
#include "platform/text/FlatRtfd.h"
#include "platform/text/RichTextData.h"

#include <QTextDocument>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace platform;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto files = FlatRtfd::read(bytes);
    if (files) {
        const auto again = FlatRtfd::read(FlatRtfd::write(*files));
        if (!again || *again != *files)
            abort();
    }
    RichTextData::attributedStringWithRTFData(bytes);
    return 0;
}
