#include "RtfPictureControls.h"

namespace platform {

void RtfPictureControls::applyInGraphic(RtfKeywords::Word word, int value)
{
    if (word == RtfKeywords::Word::Width)
        m_graphic.width = value;
    else if (word == RtfKeywords::Word::Height)
        m_graphic.height = value;
}

TextAttachment RtfPictureControls::takeGraphic(const QHash<QString, QByteArray>& files)
{
    TextAttachment attachment;
    attachment.fileName = QString::fromUtf8(m_graphic.name).trimmed();
    attachment.contents = files.value(attachment.fileName);
    if (m_graphic.width > 0 && m_graphic.height > 0)
        attachment.size = QSizeF(m_graphic.width / 20.0, m_graphic.height / 20.0);
    m_graphic = {};
    return attachment;
}

void RtfPictureControls::applyInPicture(RtfKeywords::Word word, int value)
{
    using Word = RtfKeywords::Word;
    if (word == Word::PngBlip)
        m_picture.kind = Picture::Kind::Png;
    else if (word == Word::JpegBlip)
        m_picture.kind = Picture::Kind::Jpeg;
    else if (word == Word::OtherBlip)
        m_picture.kind = Picture::Kind::Other;
    else if (word == Word::PictureWidthGoal)
        m_picture.widthGoal = value;
    else if (word == Word::PictureHeightGoal)
        m_picture.heightGoal = value;
}

void RtfPictureControls::appendPictureHex(QByteArrayView text)
{
    for (char c : text) {
        int value = -1;
        if (c >= '0' && c <= '9')
            value = c - '0';
        else if (c >= 'a' && c <= 'f')
            value = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            value = c - 'A' + 10;
        if (value < 0)
            continue;
        if (m_picture.pendingNibble < 0) {
            m_picture.pendingNibble = value;
        } else {
            m_picture.data.append(char(m_picture.pendingNibble * 16 + value));
            m_picture.pendingNibble = -1;
        }
    }
}

std::optional<TextAttachment> RtfPictureControls::takePicture()
{
    Picture picture = std::move(m_picture);
    m_picture = {};
    if (picture.kind != Picture::Kind::Png && picture.kind != Picture::Kind::Jpeg)
        return std::nullopt;
    if (picture.data.isEmpty())
        return std::nullopt;
    TextAttachment attachment;
    attachment.contents = picture.data;
    attachment.fileName = picture.kind == Picture::Kind::Png ? QStringLiteral("image.png")
                                                             : QStringLiteral("image.jpg");
    if (picture.widthGoal > 0 && picture.heightGoal > 0)
        attachment.size = QSizeF(picture.widthGoal / 20.0, picture.heightGoal / 20.0);
    return attachment;
}

} // namespace platform
