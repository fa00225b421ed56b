// Feeds HTML of any size and nesting to the HTML reader, then writes what it read and reads
// that back. The first byte picks the encoding the caller names: 0 lets the reader detect it
// from marks, the page's declaration or the bytes. Every read must give a document.
#include "platform/text/HtmlReader.h"
#include "platform/text/HtmlWriter.h"
#include "platform/text/TextEncoding.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace platform;
    if (size == 0)
        return 0;
    static const QList<TextEncoding::Value> encodings = TextEncoding::availableStringEncodings();
    HtmlReader::Options options;
    if (data[0] != 0)
        options.encoding = encodings[data[0] % encodings.size()];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    // A named encoding reads strictly and may refuse the bytes; detection never does.
    const auto html = HtmlReader::read(bytes, options);
    if (!html) {
        if (options.encoding == TextEncoding::InvalidStringEncoding)
            std::abort();
        return 0;
    }
    const auto page = HtmlWriter::write(*html->document, {});
    if (!page || !HtmlReader::read(page->html, {}))
        std::abort();
    return 0;
}
