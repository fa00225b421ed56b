// Feeds property lists to the web archive reader; whatever it accepts must survive being
// written as a web archive and read again.
#include "OffscreenApplication.h"
#include "platform/text/WebArchiveReader.h"
#include "platform/text/WebArchiveWriter.h"

#include <QTextDocument>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace platform;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto archive = WebArchiveReader::read(bytes);
    if (!archive)
        return 0;
    const auto written = WebArchiveWriter::write(*archive->document, QString());
    if (!written)
        abort();
    if (!WebArchiveReader::read(*written))
        abort();
    return 0;
}
