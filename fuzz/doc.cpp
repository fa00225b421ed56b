// Feeds Word documents to the Word 97 reader. With the first byte even the rest is a whole
// file; with it odd, the second and third bytes give the length of a WordDocument stream taken
// from the rest, the remainder is the 1Table stream, and both go into a well-formed compound
// file, so that the fuzzer works on the Word structures rather than on the container. When the
// first byte leaves 3 divided by 4, the two bytes after the document's length give the 1Table
// stream's, and what remains is the Data stream of the pictures. Whatever the reader accepts
// must survive being written and read again with the same text.
#include "OffscreenApplication.h"
#include "platform/testing/CompoundFileBuilder.h"
#include "platform/text/AttributedText.h"
#include "platform/text/DocReader.h"
#include "platform/text/DocWriter.h"

#include <QTextDocument>

#include <cstdlib>

namespace {

// The next stream's length from two bytes, bounded by what is left.
size_t takeLength(const uint8_t*& data, size_t& size)
{
    const size_t length = size >= 2 ? std::min<size_t>(data[0] | data[1] << 8, size - 2) : 0;
    const size_t header = std::min<size_t>(size, 2);
    data += header;
    size -= header;
    return length;
}

QByteArray compoundFile(const uint8_t* data, size_t size, bool withData)
{
    const size_t documentSize = takeLength(data, size);
    const QByteArray document(reinterpret_cast<const char*>(data), qsizetype(documentSize));
    data += documentSize;
    size -= documentSize;
    const size_t tableSize = withData ? takeLength(data, size) : size;
    const QByteArray table(reinterpret_cast<const char*>(data), qsizetype(tableSize));
    QList<QPair<QByteArray, QByteArray>> streams
        = { { "WordDocument", document }, { "1Table", table } };
    if (withData)
        streams.append({ "Data",
            QByteArray(
                reinterpret_cast<const char*>(data + tableSize), qsizetype(size - tableSize)) });
    return platform::testing::CompoundFileBuilder::build(streams);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace platform;
    if (size == 0)
        return 0;
    const QByteArray bytes = data[0] % 2
        ? compoundFile(data + 1, size - 1, data[0] % 4 == 3)
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
