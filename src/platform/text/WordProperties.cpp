#include "WordProperties.h"

#include "WordBinary.h"
#include "WordBytes.h"

#include <algorithm>

namespace platform {

namespace {

using namespace WordBinary;

// Calls `visit(sprm, bytes, at, size)` for each property modifier of a group, with the place
// and size of its operand; a modifier that runs past the group's end ends the group.
template <typename Visit> void forEachSprm(const QByteArray& grpprl, Visit visit)
{
    const WordBytes bytes(grpprl);
    qint64 at = 0;
    while (bytes.has(at, 2)) {
        const quint16 sprm = bytes.u16(at);
        at += 2;
        qint64 size = 0;
        switch (sprm >> 13) {
        case 0:
        case 1:
            size = 1;
            break;
        case 2:
        case 4:
        case 5:
            size = 2;
            break;
        case 3:
            size = 4;
            break;
        case 7:
            size = 3;
            break;
        default:
            if (sprm == Sprm::TDefTable || sprm == Sprm::TDefTable10) {
                if (!bytes.has(at, 2))
                    return;
                size = 2 + qint64(bytes.u16(at)) - 1;
            } else if (sprm == Sprm::PChgTabs && bytes.has(at, 1) && bytes.u8(at) == 255) {
                // Deletions with their ranges, then additions.
                if (!bytes.has(at + 1, 1))
                    return;
                const qint64 deleted = bytes.u8(at + 1);
                const qint64 added = at + 2 + deleted * 4;
                if (!bytes.has(added, 1))
                    return;
                size = 2 + deleted * 4 + 1 + qint64(bytes.u8(added)) * 3;
            } else {
                if (!bytes.has(at, 1))
                    return;
                size = 1 + bytes.u8(at);
            }
        }
        if (size < 0 || !bytes.has(at, size))
            return;
        visit(sprm, WordBytes(grpprl), at, size);
        at += size;
    }
}

bool toggle(quint8 operand, bool styleValue)
{
    switch (operand) {
    case 0:
        return false;
    case 1:
        return true;
    case 0x80:
        return styleValue;
    case 0x81:
        return !styleValue;
    default:
        return styleValue;
    }
}

} // namespace

void WordProperties::applyCharacter(
    const QByteArray& grpprl, Character& props, const Character& style)
{
    forEachSprm(grpprl, [&](quint16 sprm, const WordBytes& b, qint64 at, qint64 size) {
        switch (sprm) {
        case Sprm::CFBold:
            props.bold = toggle(b.u8(at), style.bold);
            break;
        case Sprm::CFItalic:
            props.italic = toggle(b.u8(at), style.italic);
            break;
        case Sprm::CFStrike:
            props.strike = toggle(b.u8(at), style.strike);
            break;
        case Sprm::CFDStrike:
            props.doubleStrike = toggle(b.u8(at), style.doubleStrike);
            break;
        case Sprm::CKul:
            props.underline = b.u8(at);
            break;
        case Sprm::CIco:
            props.ico = b.u8(at);
            props.color.reset();
            break;
        case Sprm::CCv:
            if (size == 4) {
                const quint32 value = b.u32(at);
                if (value >> 24)
                    props.color.reset(); // automatic
                else
                    props.color = QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
            }
            break;
        case Sprm::CHps:
            props.halfPoints = std::clamp(int(b.u16(at)), 2, 3276);
            break;
        case Sprm::CIss:
            props.script = b.u8(at);
            break;
        case Sprm::CRgFtc0:
            props.font = b.u16(at);
            break;
        default:
            break;
        }
    });
}

int WordProperties::characterStyle(const QByteArray& grpprl)
{
    int istd = -1;
    forEachSprm(grpprl, [&](quint16 sprm, const WordBytes& b, qint64 at, qint64) {
        if (sprm == Sprm::CIstd)
            istd = b.u16(at);
    });
    return istd;
}

std::optional<quint32> WordProperties::pictureLocation(const QByteArray& grpprl)
{
    std::optional<quint32> location;
    forEachSprm(grpprl, [&](quint16 sprm, const WordBytes& b, qint64 at, qint64) {
        if (sprm == Sprm::CPicLocation)
            location = b.u32(at);
    });
    return location;
}

void WordProperties::applyParagraph(const QByteArray& grpprl, Paragraph& props)
{
    forEachSprm(grpprl, [&](quint16 sprm, const WordBytes& b, qint64 at, qint64 size) {
        switch (sprm) {
        case Sprm::PJc80:
        case Sprm::PJc:
            props.alignment = b.u8(at);
            break;
        case Sprm::PDxaLeft80:
        case Sprm::PDxaLeft:
            props.left = qint16(b.u16(at));
            break;
        case Sprm::PDxaRight80:
        case Sprm::PDxaRight:
            props.right = qint16(b.u16(at));
            break;
        case Sprm::PDxaLeft180:
        case Sprm::PDxaLeft1:
            props.first = qint16(b.u16(at));
            break;
        case Sprm::PDyaBefore:
            props.before = b.u16(at);
            break;
        case Sprm::PDyaAfter:
            props.after = b.u16(at);
            break;
        case Sprm::PDyaLine:
            props.line = qint16(b.u16(at));
            props.lineMultiple = qint16(b.u16(at + 2)) != 0;
            break;
        case Sprm::PChgTabsPapx: {
            // Length, deleted positions, added positions and their kinds.
            qint64 p = at + 1;
            const qint64 end = at + size;
            if (p + 1 > end)
                break;
            const int deleted = b.u8(p++);
            if (p + deleted * 2 + 1 > end)
                break;
            for (int i = 0; i < deleted; ++i) {
                const int position = qint16(b.u16(p + i * 2));
                props.tabs.removeIf(
                    [&](const QPair<int, int>& tab) { return tab.first == position; });
            }
            p += deleted * 2;
            const int added = b.u8(p++);
            if (p + added * 3 > end)
                break;
            for (int i = 0; i < added; ++i) {
                const int position = qint16(b.u16(p + i * 2));
                props.tabs.removeIf(
                    [&](const QPair<int, int>& tab) { return tab.first == position; });
                props.tabs.append({ position, b.u8(p + added * 2 + i) & 0x07 });
            }
            props.hasTabs = true;
            break;
        }
        case Sprm::PIlfo:
            props.listOverride = b.u16(at);
            break;
        case Sprm::PIlvl:
            props.listLevel = b.u8(at);
            break;
        default:
            break;
        }
    });
}

} // namespace platform
