// Feeds arbitrary bytes to the reader of copied styles and rulers, as the clipboard may hold
// them: whatever it accepts must lie in its limits and read again after being written.
#include "OffscreenApplication.h"
#include "platform/text/AttributedText.h"
#include "platform/text/TextStylePayload.h"

#include <cmath>
#include <cstdlib>

namespace {

bool withinLimits(const platform::StringAttributes& style)
{
    using platform::TextStylePayload;
    const platform::ParagraphStyle paragraph
        = platform::AttributedText::paragraphStyle(style.paragraph);
    if (paragraph.tabStops.size() > TextStylePayload::MaximumTabStops)
        return false;
    for (const double length :
        { paragraph.headIndent, paragraph.firstLineHeadIndent, std::abs(paragraph.tailIndent),
            paragraph.paragraphSpacing, paragraph.paragraphSpacingBefore, paragraph.lineSpacing }) {
        // A little over the limit for the trip through Qt's pixels.
        if (!(length >= 0 && length <= TextStylePayload::MaximumLength + 1))
            return false;
    }
    const double size = platform::AttributedText::fontPointSize(style.characters);
    return size >= 0 && size <= 1000;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace platform;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto style = TextStylePayload::decode(bytes);
    if (!style)
        return 0;
    if (!withinLimits(*style))
        abort();
    const auto again = TextStylePayload::decode(TextStylePayload::encode(*style));
    if (!again || !withinLimits(*again))
        abort();
    return 0;
}
