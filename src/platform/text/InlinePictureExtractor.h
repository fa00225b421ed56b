#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace platform {

class HtmlImageLoader;

// Takes the large pictures written into a page (base64 data: URIs) out of its bytes as they
// arrive, so that neither the page's text nor anything read from it ever holds them: each is
// decoded as its characters come and handed to the HtmlImageLoader, which holds it for the
// image that names it, or is dropped as soon as it passes the loader's room and counted as left
// out. In the text, such a payload becomes a short name the loader knows the picture by; the
// media type before it stays, so what decides whether an image is shown still sees it. Smaller
// URIs, and bytes in encodings other than ASCII's supersets, pass unchanged. One per page; one
// thread.
class InlinePictureExtractor final {
public:
    // Payloads of fewer characters stay in the text: there they cost no more than words.
    static constexpr qsizetype minimumTakenLength = 64 * 1024;

    explicit InlinePictureExtractor(HtmlImageLoader& loader);

    // Adds the page's next bytes.
    void append(QByteArrayView bytes);
    // Ends the page: the text read, without the pictures taken out.
    QByteArray finish();
    // The length of the text so far.
    qsizetype textLength() const { return m_text.size(); }

private:
    enum class State { Text, MediaType, Payload, Picture };

    void step(char byte);
    void startPicture();
    void decodePending(bool last);
    void endPicture();

    HtmlImageLoader& m_loader;
    // A name for this page's pictures that no page holds by chance.
    const QString m_prefix;
    State m_state = State::Text;
    QByteArray m_text;
    // How much of "data:" the latest bytes matched.
    int m_matched = 0;
    // The media type and parameters of the URI under way, up to its comma.
    QByteArray m_mediaType;
    // Payload characters not yet decoded (or, before the picture starts, not yet passed on).
    QByteArray m_pending;
    QByteArray m_picture;
    qint64 m_pictureLength = 0;
    qint64 m_room = 0;
    bool m_dropped = false;
    int m_taken = 0;
};

} // namespace platform
