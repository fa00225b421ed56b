#pragma once

#include "RtfKeywords.h"
#include "TextAttachment.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

namespace platform {

// The pictures of RTF: \NeXTGraphic references to an RTFD folder's files, and \pict groups
// with PNG or JPEG data in hex or \bin form. The reader starts one when its word comes, feeds
// it the group's words and bytes, and takes the attachment when the group closes. One per
// read; one thread.
class RtfPictureControls final {
public:
    void startGraphic() { m_graphic = {}; }
    void applyInGraphic(RtfKeywords::Word word, int value);
    void appendGraphicName(QByteArrayView bytes) { m_graphic.name.append(bytes); }
    // The attachment the graphic names, its contents taken from `files`.
    TextAttachment takeGraphic(const QHash<QString, QByteArray>& files);

    void startPicture() { m_picture = {}; }
    void applyInPicture(RtfKeywords::Word word, int value);
    void appendPictureHex(QByteArrayView text);
    void appendPictureBinary(QByteArrayView bytes) { m_picture.data.append(bytes); }
    // The picture as an attachment; none for kinds we cannot show or empty data.
    std::optional<TextAttachment> takePicture();

private:
    struct Graphic {
        QByteArray name;
        int width = 0;
        int height = 0;
    };
    struct Picture {
        enum class Kind { None, Png, Jpeg, Other } kind = Kind::None;
        QByteArray data;
        int pendingNibble = -1;
        int widthGoal = 0;
        int heightGoal = 0;
    };

    Graphic m_graphic;
    Picture m_picture;
};

} // namespace platform
