#include "document/model/BXAttributedStringAdditions.h"

#include "platform/text/RichTextData.h"

#include <QTextDocument>

QByteArray BXAttributedStringAdditions::RTFData(const QTextDocument& text)
{
    return platform::RichTextData::RTFData(text);
}

std::unique_ptr<QTextDocument> BXAttributedStringAdditions::attributedStringWithRTFData(
    const QByteArray& data, const std::atomic<bool>* stop)
{
    return platform::RichTextData::attributedStringWithRTFData(data, nullptr, stop);
}
