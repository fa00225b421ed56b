#include "InlinePictureExtractor.h"

#include "HtmlImageLoader.h"

#include <QRandomGenerator>

#include <algorithm>

namespace platform {

namespace {

constexpr QByteArrayView kScheme = "data:";
// A media type with its parameters is short; a longer run is no URI.
constexpr qsizetype kLongestMediaType = 256;
// Payload characters are decoded in pieces of this many, so little is ever held encoded.
constexpr qsizetype kDecodedPiece = 256 * 1024;

bool isBase64(char byte)
{
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z')
        || (byte >= '0' && byte <= '9') || byte == '+' || byte == '/' || byte == '=';
}

bool isMediaTypeCharacter(char byte)
{
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z')
        || (byte >= '0' && byte <= '9') || QByteArrayView("/;=+-._").contains(byte);
}

char lower(char byte)
{
    return byte >= 'A' && byte <= 'Z' ? char(byte + ('a' - 'A')) : byte;
}

} // namespace

InlinePictureExtractor::InlinePictureExtractor(HtmlImageLoader& loader)
    : m_loader(loader),
      m_prefix(QStringLiteral("picture%1n").arg(QRandomGenerator::global()->generate64(), 0, 16))
{ }

void InlinePictureExtractor::append(QByteArrayView bytes)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        // Long runs move in one piece: text up to the next letter that may start a URI, and
        // payload characters.
        if (m_state == State::Text && m_matched == 0) {
            qsizetype end = at;
            while (end < bytes.size() && lower(bytes[end]) != 'd')
                ++end;
            m_text += bytes.sliced(at, end - at);
            at = end;
            if (at == bytes.size())
                break;
        } else if (m_state == State::Picture) {
            qsizetype end = at;
            while (end < bytes.size() && isBase64(bytes[end]))
                ++end;
            m_pending += bytes.sliced(at, end - at);
            if (m_pending.size() >= kDecodedPiece)
                decodePending(false);
            at = end;
            if (at == bytes.size())
                break;
        }
        step(bytes[at]);
        ++at;
    }
}

void InlinePictureExtractor::step(char byte)
{
    switch (m_state) {
    case State::Text:
        m_text += byte;
        if (lower(byte) == kScheme[m_matched]) {
            if (++m_matched == kScheme.size()) {
                m_matched = 0;
                m_mediaType.clear();
                m_state = State::MediaType;
            }
        } else {
            m_matched = lower(byte) == kScheme[0] ? 1 : 0;
        }
        return;
    case State::MediaType:
        if (byte == ',') {
            m_text += byte;
            m_pending.clear();
            m_state = m_mediaType.toLower().endsWith(";base64") ? State::Payload : State::Text;
        } else if (isMediaTypeCharacter(byte) && m_mediaType.size() < kLongestMediaType) {
            m_text += byte;
            m_mediaType += byte;
        } else {
            m_state = State::Text;
            step(byte);
        }
        return;
    case State::Payload:
        if (isBase64(byte)) {
            m_pending += byte;
            if (m_pending.size() >= minimumTakenLength)
                startPicture();
        } else {
            m_text += m_pending;
            m_pending.clear();
            m_state = State::Text;
            step(byte);
        }
        return;
    case State::Picture:
        // Payload characters never come here: append() takes them in runs.
        endPicture();
        m_state = State::Text;
        step(byte);
        return;
    }
}

void InlinePictureExtractor::startPicture()
{
    m_state = State::Picture;
    m_room = m_loader.holdingRoom();
    m_picture.clear();
    m_pictureLength = 0;
    m_dropped = false;
    m_text += QString(m_prefix + QString::number(m_taken++)).toLatin1();
    decodePending(false);
}

void InlinePictureExtractor::decodePending(bool last)
{
    const qsizetype length = last ? m_pending.size() : m_pending.size() / 4 * 4;
    if (length == 0)
        return;
    if (m_dropped) {
        m_pictureLength += length / 4 * 3;
    } else {
        const QByteArray bytes = QByteArray::fromBase64(m_pending.first(length));
        m_pictureLength += bytes.size();
        if (m_picture.size() + bytes.size() > m_room) {
            m_dropped = true;
            m_picture = QByteArray();
        } else {
            m_picture += bytes;
        }
    }
    m_pending.remove(0, length);
}

void InlinePictureExtractor::endPicture()
{
    decodePending(true);
    const QString name = m_prefix + QString::number(m_taken - 1);
    if (m_dropped) {
        m_loader.leaveOut(name, m_pictureLength);
    } else {
        m_picture.squeeze();
        m_loader.hold(name, std::move(m_picture));
    }
    m_picture = QByteArray();
}

QByteArray InlinePictureExtractor::finish()
{
    if (m_state == State::Payload)
        m_text += m_pending;
    else if (m_state == State::Picture)
        endPicture();
    m_pending.clear();
    m_state = State::Text;
    m_matched = 0;
    return std::move(m_text);
}

} // namespace platform
