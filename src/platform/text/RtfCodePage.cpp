#include "RtfCodePage.h"

#include "TextEncoding.h"

#include <QHash>
#include <QMutex>

#include <memory>

namespace platform {

namespace {

// The CoreFoundation encoding of each Windows code page RTF names.
quint32 cfEncoding(int codePage)
{
    switch (codePage) {
    case 437:
        return 0x0400;
    case 737:
        return 0x0405;
    case 775:
        return 0x0406;
    case 850:
        return 0x0410;
    case 851:
        return 0x0411;
    case 852:
        return 0x0412;
    case 855:
        return 0x0413;
    case 857:
        return 0x0414;
    case 860:
        return 0x0415;
    case 861:
        return 0x0416;
    case 862:
        return 0x0417;
    case 863:
        return 0x0418;
    case 864:
        return 0x0419;
    case 865:
        return 0x041A;
    case 866:
        return 0x041B;
    case 869:
        return 0x041C;
    case 874:
        return 0x041D;
    case 932:
        return 0x0420;
    case 936:
        return 0x0421;
    case 949:
        return 0x0422;
    case 950:
        return 0x0423;
    case 1250:
        return 0x0501;
    case 1251:
        return 0x0502;
    case 1252:
        return 0x0500;
    case 1253:
        return 0x0503;
    case 1254:
        return 0x0504;
    case 1255:
        return 0x0505;
    case 1256:
        return 0x0506;
    case 1257:
        return 0x0507;
    case 1258:
        return 0x0508;
    case 1361:
        return 0x0510;
    case 10000:
        return 0x0000;
    case 10006:
        return 0x0006;
    case 10007:
        return 0x0007;
    case 10029:
        return 0x001D;
    case 20866:
        return 0x0A02;
    case 28591:
        return 0x0201;
    case 28592:
        return 0x0202;
    case 28595:
        return 0x0205;
    default:
        return TextEncoding::CFStringEncodingInvalidId;
    }
}

TextEncoding::Value encoding(int codePage)
{
    const quint32 cf = cfEncoding(codePage);
    return cf == TextEncoding::CFStringEncodingInvalidId ? TextEncoding::InvalidStringEncoding
                                                         : TextEncoding::fromCFStringEncoding(cf);
}

struct Tables {
    QMutex mutex;
    QHash<int, std::shared_ptr<const RtfCodePage::Table>> decode;
};

Tables& tables()
{
    static Tables instance;
    return instance;
}

std::shared_ptr<const RtfCodePage::Table> buildTable(int codePage)
{
    auto table = std::make_shared<RtfCodePage::Table>();
    const TextEncoding::Value value = encoding(codePage);
    for (int byte = 0; byte < 256; ++byte) {
        const std::optional<QString> text
            = TextEncoding::decode(QByteArray(1, char(byte)), value, true);
        (*table)[byte] = text && text->size() == 1 ? text->at(0).unicode() : char16_t(0xFFFD);
    }
    return table;
}

} // namespace

int RtfCodePage::forCharset(int charset)
{
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437;
    default:
        return 0;
    }
}

bool RtfCodePage::isMultiByte(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950
        || codePage == 1361;
}

bool RtfCodePage::isKnown(int codePage)
{
    return cfEncoding(codePage) != TextEncoding::CFStringEncodingInvalidId;
}

const RtfCodePage::Table* RtfCodePage::singleByteTable(int codePage)
{
    if (!isKnown(codePage) || isMultiByte(codePage))
        return nullptr;
    Tables& all = tables();
    QMutexLocker lock(&all.mutex);
    auto& table = all.decode[codePage];
    if (!table)
        table = buildTable(codePage);
    // Tables live for the process once built, so the pointer stays valid.
    return table.get();
}

QString RtfCodePage::decode(int codePage, QByteArrayView bytes)
{
    if (const Table* table = singleByteTable(codePage)) {
        QString text(bytes.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i)
            text[i] = QChar((*table)[static_cast<unsigned char>(bytes[i])]);
        return text;
    }
    const TextEncoding::Value value
        = isKnown(codePage) ? encoding(codePage) : TextEncoding::WindowsCP1252StringEncoding;
    return TextEncoding::decode(bytes.toByteArray(), value, true).value_or(QString());
}

} // namespace platform
