#include "RtfCodePage.h"

#include <QHash>
#include <QMutex>
#include <QStringDecoder>

#include <memory>

namespace platform {

namespace {

const char* converterName(int codePage)
{
    switch (codePage) {
    case 437:
        return "IBM437";
    case 850:
        return "IBM850";
    case 874:
        return "windows-874";
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 1250:
        return "windows-1250";
    case 1251:
        return "windows-1251";
    case 1252:
        return "windows-1252";
    case 1253:
        return "windows-1253";
    case 1254:
        return "windows-1254";
    case 1255:
        return "windows-1255";
    case 1256:
        return "windows-1256";
    case 1257:
        return "windows-1257";
    case 1258:
        return "windows-1258";
    case 10000:
        return "macintosh";
    default:
        return nullptr;
    }
}

bool isMultiByte(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
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
    QStringDecoder decoder(converterName(codePage));
    for (int byte = 0; byte < 256; ++byte) {
        const char c = char(byte);
        const QString text = decoder.isValid() ? decoder.decode(QByteArrayView(&c, 1))
                                               : QString(QChar(byte < 0x80 ? byte : 0xFFFD));
        (*table)[byte] = text.size() == 1 ? text.at(0).unicode() : char16_t(0xFFFD);
        decoder.resetState();
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
    default:
        return 0;
    }
}

bool RtfCodePage::isKnown(int codePage)
{
    return converterName(codePage) != nullptr;
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
    QStringDecoder decoder(converterName(codePage) ? converterName(codePage) : "windows-1252");
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

} // namespace platform
