#pragma once

#include "platform/text/TextEncoding.h"

#include <QList>
#include <QString>

#include <optional>

// The text encodings the user lists in encoding pop-ups: the enabled list (kept in the user
// default "Encodings", the built-in list while that is absent), every encoding the system
// converts, sorted with the Unicode ones first and the rest grouped by script, and the items a
// pop-up shows. Changes are announced with "EncodingsListChanged" on the default notification
// centre. No widgets; the pop-ups and the selection panel live in the user interface. One per
// process, main thread.
class EncodingManager final {
public:
    using Value = platform::TextEncoding::Value;

    static inline const QString EncodingsListChangedNotification
        = QStringLiteral("EncodingsListChanged");
    // Stands for "no encoding", and for the "Automatic" item.
    static constexpr Value NoEncoding = platform::TextEncoding::InvalidStringEncoding;

    // One item of an encodings pop-up, top to bottom.
    struct PopUpItem {
        enum class Kind { Automatic, Encoding, Separator, Customize };
        Kind kind = Kind::Encoding;
        QString title;
        Value encoding = NoEncoding;
        // -1 for "Automatic".
        int tag = 0;
    };

    struct PopUp {
        QList<PopUpItem> items;
        int selectedIndex = 0;
    };

    static EncodingManager& sharedInstance();

    // Every encoding the system converts and can name, sorted; computed once.
    static const QList<Value>& allAvailableStringEncodings();
    // UTF-16, UTF-8, Mac OS Roman, Windows Latin 1, Mac Japanese, Shift JIS, Mac Traditional
    // Chinese, Mac Korean, Mac Simplified Chinese, GB 18030, then the C locale's encoding when
    // it is none of these.
    static QList<Value> builtInEncodings();

    // The enabled list; read from the defaults on first use.
    QList<Value> enabledEncodings();
    // Replaces the enabled list, keeping the sorted order of allAvailableStringEncodings(),
    // stores it and announces it.
    void setEnabledEncodings(const QList<Value>& encodings);
    void clearAll();
    void selectAll();
    // Forgets the stored list, so the built-in one applies again; announced, nothing stored.
    void revertToDefault();

    // The items of a pop-up: optionally "Automatic" (tag -1), the enabled encodings (an
    // encoding `selected` that is not enabled is appended, unless there is "Automatic"), a
    // separator after any item, and "Customize Encodings List…", which is never selected.
    PopUp popUpItems(Value selected, bool withDefaultEntry);

private:
    EncodingManager() = default;
    void noteEncodingListChange(bool writeDefault);

    std::optional<QList<Value>> m_encodings;
};
