#include "TextMimeData.h"

#include "AttributedText.h"
#include "HtmlWriter.h"
#include "RtfReader.h"
#include "RtfWriter.h"

#include <QMimeData>
#include <QTextDocument>

namespace platform {

const QString TextMimeData::RtfType = QStringLiteral("text/rtf");

std::unique_ptr<QMimeData> TextMimeData::make(const QTextDocument& text, const QString& title)
{
    auto data = std::make_unique<QMimeData>();
    data->setData(RtfType, RtfWriter::write(text));
    HtmlWriter::Options options;
    options.dropImages = true;
    options.title = title;
    data->setHtml(HtmlWriter::toHtml(text, options));
    QString plain = AttributedText::string(text);
    plain.remove(QChar(0xFFFC));
    data->setText(plain);
    return data;
}

std::unique_ptr<QTextDocument> TextMimeData::attributedText(const QMimeData& data)
{
    if (!data.hasFormat(RtfType))
        return nullptr;
    return RtfReader::read(data.data(RtfType));
}

} // namespace platform
