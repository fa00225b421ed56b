// Feeds DOCX packages to the DOCX reader. An input whose first byte is odd is the package's
// parts themselves, separated by the byte 0x1E (word/document.xml, word/styles.xml,
// word/numbering.xml, word/_rels/document.xml.rels, word/footnotes.xml), packed here with a fixed
// content-types part, package relationships and a picture, so that mutations reach the XML rather
// than die on the archive's checksums; otherwise the rest is the archive's bytes. Whatever is read
// must be written and read again with the same text (pictures aside).
#include "OffscreenApplication.h"
#include "platform/text/AttributedText.h"
#include "platform/text/DocxReader.h"
#include "platform/text/WordXmlReader.h"
#include "platform/text/WordXmlWriter.h"
#include "platform/text/ZipArchive.h"

#include <QTextDocument>

#include <cstdlib>

namespace {

QString visibleText(const QTextDocument& doc)
{
    return platform::AttributedText::string(doc).remove(QChar::ObjectReplacementCharacter);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace platform;
    if (size == 0)
        return 0;
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size) - 1);
    if (data[0] & 1) {
        const QList<QByteArray> parts = bytes.split('\x1e');
        static const char* const names[] = { "word/document.xml", "word/styles.xml",
            "word/numbering.xml", "word/_rels/document.xml.rels", "word/footnotes.xml" };
        QList<ZipArchive::Entry> entries = {
            { QStringLiteral("_rels/.rels"),
                "<Relationships "
                "xmlns='http://schemas.openxmlformats.org/package/2006/relationships'>"
                "<Relationship Id='rId1' "
                "Type='http://schemas.openxmlformats.org/officeDocument/2006/"
                "relationships/officeDocument' Target='word/document.xml'/></Relationships>" },
            { QStringLiteral("word/media/image1.png"),
                QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGP"
                                       "4z8AAAAMBAQDJ/pLvAAAAAElFTkSuQmCC") },
        };
        for (qsizetype i = 0; i < parts.size() && i < 5; ++i)
            entries.append({ QString::fromLatin1(names[i]), parts[i] });
        const std::optional<QByteArray> archive = ZipArchive::build(entries);
        if (!archive)
            std::abort();
        bytes = *archive;
    }
    const auto doc = DocxReader::read(bytes);
    if (!doc)
        return 0;
    const WordXmlWriter::Result written = WordXmlWriter::write(*doc, WordXmlWriter::Dialect::Docx);
    WordXmlReader reader(WordXmlReader::Dialect::Docx);
    if (!reader.readStyles(written.styles)
        || (!written.numbering.isEmpty() && !reader.readNumbering(written.numbering)))
        std::abort();
    const auto again = reader.readDocument(written.document, {});
    if (!again || visibleText(*again) != visibleText(*doc))
        std::abort();
    return 0;
}
