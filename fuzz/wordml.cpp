// Feeds arbitrary bytes to the Word 2003 XML reader; whatever it accepts must be written and
// read again with the same text (pictures, which the writer leaves out, aside).
#include "OffscreenApplication.h"
#include "platform/text/AttributedText.h"
#include "platform/text/WordXmlReader.h"
#include "platform/text/WordXmlWriter.h"

#include <QTextDocument>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace platform;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto doc = WordXmlReader(WordXmlReader::Dialect::WordML).readDocument(bytes, {});
    if (!doc)
        return 0;
    const QByteArray written = WordXmlWriter::write(*doc, WordXmlWriter::Dialect::WordML).document;
    const auto again = WordXmlReader(WordXmlReader::Dialect::WordML).readDocument(written, {});
    const auto visible = [](const QTextDocument& text) {
        return AttributedText::string(text).remove(QChar::ObjectReplacementCharacter);
    };
    if (!again || visible(*again) != visible(*doc))
        std::abort();
    return 0;
}
