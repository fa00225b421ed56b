// Feeds Word documents to the Word 97 reader. With the first byte even the rest is a whole
// file; with it odd, the second and third bytes give the length of a WordDocument stream taken
// from the rest, the remainder is the 1Table stream, and both go into a well-formed compound
// file, so that the fuzzer works on the Word structures rather than on the container. Whatever
// the reader accepts must survive being written and read again with the same text.
#include "OffscreenApplication.h"
#include "platform/text/AttributedText.h"
#include "platform/text/DocReader.h"
#include "platform/text/DocWriter.h"

#include <QTextDocument>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>

#include <cstdlib>

namespace {

void addStream(GsfOutfile* file, const char* name, const uint8_t* data, size_t size)
{
    GsfOutput* child = gsf_outfile_new_child(file, name, FALSE);
    gsf_output_write(child, size, data);
    gsf_output_close(child);
    g_object_unref(child);
}

QByteArray compoundFile(const uint8_t* data, size_t size)
{
    const size_t documentSize = size >= 2 ? std::min<size_t>(data[0] | data[1] << 8, size - 2) : 0;
    const uint8_t* document = data + std::min<size_t>(size, 2);
    GsfOutput* memory = gsf_output_memory_new();
    GsfOutfile* file = gsf_outfile_msole_new(memory);
    addStream(file, "WordDocument", document, documentSize);
    addStream(
        file, "1Table", document + documentSize, size - std::min<size_t>(size, 2) - documentSize);
    gsf_output_close(GSF_OUTPUT(file));
    g_object_unref(file);
    const QByteArray bytes(
        reinterpret_cast<const char*>(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory))),
        qsizetype(gsf_output_size(memory)));
    g_object_unref(memory);
    return bytes;
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
