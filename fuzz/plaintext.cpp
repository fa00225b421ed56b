// Feeds arbitrary bytes to content sniffing and the plain-text reader in every available
// encoding; the first byte picks the encoding. Lossy reads and detection must always give text,
// and what reads as unmarked UTF-8 must write back to the same bytes, NUL bytes apart (no text
// keeps them); no read may give a NUL character. HTML has a target of its own (html.cpp).
#include "OffscreenApplication.h"
#include "platform/text/PlainText.h"
#include "platform/text/ContentSniffer.h"
#include "platform/text/TextEncoding.h"


#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace platform;
    if (size == 0)
        return 0;
    static const QList<TextEncoding::Value> encodings = TextEncoding::availableStringEncodings();
    const TextEncoding::Value encoding = encodings[data[0] % encodings.size()];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    ContentSniffer::documentType(bytes);

    if (const auto lossy = TextEncoding::decode(bytes, encoding, true)) {
        TextEncoding::encode(*lossy, encoding, TextEncoding::Unencodable::Substitute);
        TextEncoding::encode(*lossy, encoding, TextEncoding::Unencodable::EscapeAsXml);
    } else {
        abort();
    }

    const auto detected = PlainText::read(bytes);
    if (!detected)
        abort();
    if (detected->text.contains(QChar(0)))
        abort();
    if (detected->encoding == TextEncoding::UTF8StringEncoding && !detected->hadByteOrderMark
        && PlainText::write(detected->text, detected->encoding, false)
            != QByteArray(bytes).replace('\0', QByteArray())) {
        abort();
    }
    return 0;
}
