// Feeds HTML of any size and nesting to the HTML reader, then writes what it read and reads
// that back. The first byte's low seven bits pick the encoding the caller names (0 lets the
// reader detect it from marks, the page's declaration or the bytes); with its high bit set, the
// second byte says how many times the rest repeats (up to 25,501 times and 1 MB), so a short
// piece such as "<div><li>" becomes deep nesting. Images load from the page (data: URIs) and
// from a folder holding one picture, "pic.png", which the page may name in any way (or name
// other files, which must be left out unharmed). Every read must give a document.
#include "OffscreenApplication.h"
#include "platform/text/HtmlReader.h"
#include "platform/text/HtmlWriter.h"
#include "platform/text/TextEncoding.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <cstdlib>

namespace {

// The folder the page is read from, made once: it holds "pic.png".
QUrl pageFolder()
{
    static QTemporaryDir folder;
    static const bool made = [] {
        QImage image(3, 2, QImage::Format_RGB32);
        image.fill(Qt::red);
        return image.save(QDir(folder.path()).filePath(QStringLiteral("pic.png")));
    }();
    if (!made)
        std::abort();
    return QUrl::fromLocalFile(folder.path() + QLatin1Char('/'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace platform;
    if (size == 0)
        return 0;
    static const QList<TextEncoding::Value> encodings = TextEncoding::availableStringEncodings();
    HtmlReader::Options options;
    options.baseUrl = pageFolder();
    if (const int pick = data[0] & 0x7F)
        options.encoding = encodings[pick % encodings.size()];
    const bool repeats = (data[0] & 0x80) && size > 2;
    const qsizetype skip = repeats ? 2 : 1;
    QByteArray bytes(reinterpret_cast<const char*>(data + skip), qsizetype(size) - skip);
    if (repeats && !bytes.isEmpty()) {
        constexpr qsizetype kMaximumSize = 1024 * 1024;
        const qsizetype times = std::min<qsizetype>(1 + data[1] * 100, kMaximumSize / bytes.size());
        bytes = bytes.repeated(std::max<qsizetype>(times, 1));
    }

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
