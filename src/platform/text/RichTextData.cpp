#include "RichTextData.h"

#include "AttributedText.h"
#include "RtfReader.h"
#include "RtfWriter.h"
#include "RtfdPackage.h"

#include <QTextDocument>

namespace platform {

QByteArray RichTextData::RTFData(const QTextDocument& doc, DocumentType* type)
{
    const bool rtfd = AttributedText::containsAttachments(doc);
    if (type)
        *type = rtfd ? DocumentType::RTFD : DocumentType::RTF;
    return rtfd ? RtfdPackage::fromDocument(doc).flatData() : RtfWriter::write(doc);
}

std::unique_ptr<QTextDocument> RichTextData::attributedStringWithRTFData(
    const QByteArray& data, Error* error, const std::atomic<bool>* stop)
{
    if (data.isNull())
        return nullptr;
    Error rtfdError;
    if (FlatRtfd::hasSignature(data)) {
        if (const std::optional<RtfdPackage> package
            = RtfdPackage::fromFlatData(data, &rtfdError)) {
            if (auto doc = package->document(&rtfdError, stop))
                return doc;
        }
    }
    Error rtfError;
    if (auto doc = RtfReader::read(data, {}, &rtfError, stop))
        return doc;
    Error::set(error, rtfdError ? rtfdError : rtfError);
    return nullptr;
}

} // namespace platform
