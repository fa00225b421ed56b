#include "document/transfer/EncodingManager.h"

#include "document/BXDefaults.h"

#include "platform/foundation/Localized.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"

#include <algorithm>

using platform::TextEncoding;

namespace {

// Unicode encodings lead; the rest are grouped by their Mac script, then by value.
bool comesBefore(quint32 a, quint32 b)
{
    if (a == b)
        return false;
    const quint32 ma = TextEncoding::mostCompatibleMacStringEncoding(a);
    const quint32 mb = TextEncoding::mostCompatibleMacStringEncoding(b);
    const quint32 unicode = TextEncoding::CFStringEncodingUnicode;
    if (ma == unicode || mb == unicode) {
        if (ma != mb)
            return ma == unicode;
        return a < b;
    }
    return ma != mb ? ma < mb : a < b;
}

} // namespace

EncodingManager& EncodingManager::sharedInstance()
{
    static EncodingManager manager;
    return manager;
}

const QList<EncodingManager::Value>& EncodingManager::allAvailableStringEncodings()
{
    static const QList<Value> all = [] {
        QList<quint32> cf = TextEncoding::availableCFStringEncodings();
        std::sort(cf.begin(), cf.end(), comesBefore);
        QList<Value> encodings;
        for (const quint32 value : std::as_const(cf)) {
            const Value encoding = TextEncoding::fromCFStringEncoding(value);
            if (encoding != 0 && encoding != NoEncoding
                && !TextEncoding::localizedName(encoding).isEmpty())
                encodings << encoding;
        }
        return encodings;
    }();
    return all;
}

QList<EncodingManager::Value> EncodingManager::builtInEncodings()
{
    static constexpr quint32 builtIn[] = {
        TextEncoding::CFStringEncodingUnicode,
        TextEncoding::CFStringEncodingUTF8,
        TextEncoding::CFStringEncodingMacRoman,
        TextEncoding::CFStringEncodingWindowsLatin1,
        TextEncoding::CFStringEncodingMacJapanese,
        TextEncoding::CFStringEncodingShiftJIS,
        TextEncoding::CFStringEncodingMacChineseTrad,
        TextEncoding::CFStringEncodingMacKorean,
        TextEncoding::CFStringEncodingMacChineseSimp,
        TextEncoding::CFStringEncodingGB_18030_2000,
    };
    QList<Value> encodings;
    for (const quint32 cf : builtIn) {
        const Value encoding = TextEncoding::fromCFStringEncoding(cf);
        if (encoding != NoEncoding)
            encodings << encoding;
    }
    const Value system = TextEncoding::defaultCStringEncoding();
    if (!encodings.contains(system))
        encodings << system;
    return encodings;
}

QList<EncodingManager::Value> EncodingManager::enabledEncodings()
{
    if (!m_encodings) {
        const platform::UserDefaults& defaults = platform::UserDefaults::standard();
        if (defaults.objectForKey(Encodings).isValid()) {
            QList<Value> stored;
            for (const QVariant& value : defaults.arrayForKey(Encodings))
                stored << Value(value.toULongLong());
            m_encodings = stored;
        } else {
            m_encodings = builtInEncodings();
        }
    }
    return *m_encodings;
}

void EncodingManager::setEnabledEncodings(const QList<Value>& encodings)
{
    QList<Value> ordered;
    for (const Value encoding : allAvailableStringEncodings()) {
        if (encodings.contains(encoding))
            ordered << encoding;
    }
    m_encodings = ordered;
    noteEncodingListChange(true);
}

void EncodingManager::clearAll()
{
    m_encodings = QList<Value>();
    noteEncodingListChange(true);
}

void EncodingManager::selectAll()
{
    m_encodings = allAvailableStringEncodings();
    noteEncodingListChange(true);
}

void EncodingManager::revertToDefault()
{
    platform::UserDefaults::standard().removeObject(Encodings);
    m_encodings = builtInEncodings();
    noteEncodingListChange(false);
}

void EncodingManager::noteEncodingListChange(bool writeDefault)
{
    if (writeDefault) {
        QVariantList stored;
        for (const Value encoding : std::as_const(*m_encodings))
            stored << QVariant::fromValue<quint64>(encoding);
        platform::UserDefaults::standard().setArray(Encodings, stored);
    }
    platform::NotificationCenter::defaultCenter().post(EncodingsListChangedNotification);
}

EncodingManager::PopUp EncodingManager::popUpItems(Value selected, bool withDefaultEntry)
{
    PopUp popUp;
    QList<Value> listed = enabledEncodings();
    int selectedIndex = -1;
    if (withDefaultEntry) {
        popUp.items.append({ PopUpItem::Kind::Automatic,
            platform::localized(QStringLiteral("Automatic")), NoEncoding, -1 });
    } else if (selected != NoEncoding && !listed.contains(selected)) {
        // Shown for this pop-up only; the enabled list stays as it is.
        listed << selected;
    }
    for (const Value encoding : std::as_const(listed)) {
        if (encoding == selected)
            selectedIndex = int(popUp.items.size());
        popUp.items.append(
            { PopUpItem::Kind::Encoding, TextEncoding::localizedName(encoding), encoding, 0 });
    }
    if (!popUp.items.isEmpty())
        popUp.items.append({ PopUpItem::Kind::Separator, QString(), NoEncoding, 0 });
    popUp.items.append({ PopUpItem::Kind::Customize,
        platform::localized(QStringLiteral("Customize Encodings List…")), NoEncoding, 0 });
    popUp.selectedIndex = selectedIndex >= 0 ? selectedIndex : 0;
    return popUp;
}
