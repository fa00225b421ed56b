// Feeds Word documents to the Word 97 reader. With the first byte even the rest is a whole
// file; with it odd, the second and third bytes give the length of a WordDocument stream taken
// from the rest, the remainder is the 1Table stream, and both go into a well-formed compound
// file, so that the fuzzer works on the Word structures rather than on the container. Whatever
// the reader accepts must survive being written and read again with the same text.
#include "OffscreenApplication.h"
#include "platform/testing/CompoundFileBuilder.h"
#include "platform/text/AttributedText.h"
#include "platform/text/DocReader.h"
#include "platform/text/DocWriter.h"

#include <QTextDocument>

#include <cstdlib>

namespace {

QByteArray compoundFile(const uint8_t* data, size_t size)
{
    const size_t documentSize = size >= 2 ? std::min<size_t>(data[0] | data[1] << 8, size - 2) : 0;
    const char* document = reinterpret_cast<const char*>(data) + std::min<size_t>(size, 2);
    const size_t tableSize = size - std::min<size_t>(size, 2) - documentSize;
    return platform::testing::CompoundFileBuilder::build(
        { { "WordDocument", QByteArray(document, qsizetype(documentSize)) },
            { "1Table", QByteArray(document + documentSize, qsizetype(tableSize)) } });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace platform;
    if (size == 0)
        return 0;
    const QByteArray bytes = data[0] % 2
        ? compoundFile(data + 1, size - 1)
        : QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const auto doc = DocReader::read(bytes);
    if (!doc)
        return 0;
    const auto written = DocWriter::write(*doc);
    if (!written)
        abort();
    const auto again = DocReader::read(*written);
    if (!again || AttributedText::string(*again) != AttributedText::string(*doc))
        abort();
    return 0;
}
