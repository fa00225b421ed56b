// Feeds OpenDocument text packages to the ODT reader. An input whose first byte is odd is the
// package's content.xml and styles.xml, separated by the byte 0x1E, packed here behind a stored
// "mimetype" and beside a picture, so that mutations reach the XML rather than die on the
// archive's checksums; otherwise the rest is the archive's bytes. Whatever is read must be
// written and read again with the same text (pictures aside).
#include "OffscreenApplication.h"
#include "platform/text/AttributedText.h"
#include "platform/text/OdtReader.h"
#include "platform/text/OdtWriter.h"
#include "platform/text/ZipArchive.h"

#include <QFile>
#include <QTemporaryDir>
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
        QList<ZipArchive::Entry> entries = {
            { QStringLiteral("mimetype"), OdtWriter::MimeType.toLatin1(), true },
            { QStringLiteral("Pictures/a.png"),
                QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGP"
                                       "4z8AAAAMBAQDJ/pLvAAAAAElFTkSuQmCC") },
            { QStringLiteral("content.xml"), parts.value(0) },
        };
        if (parts.size() > 1)
            entries.append({ QStringLiteral("styles.xml"), parts[1] });
        const std::optional<QByteArray> archive = ZipArchive::build(entries);
        if (!archive)
            std::abort();
        bytes = *archive;
    }
    const auto doc = OdtReader::read(bytes);
    if (!doc)
        return 0;
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("again.odt"));
    if (!OdtWriter::write(*doc, path))
        std::abort();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    const auto again = OdtReader::read(file.readAll());
    if (!again || visibleText(*again) != visibleText(*doc))
        std::abort();
    return 0;
}
