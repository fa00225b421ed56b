#pragma once

#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

class BXTagLookup;
class QMenu;
class QObject;

namespace platform {
class TokenField;
struct Notification;
} // namespace platform

// The one menu shown for every tag token: "Select Tag" and "Edit Tag…" travel to the document
// with the token's category, "Remove Tag" goes to the tag editor with the field and the token.
// A token whose category is gone shows no item. An open edit is ended before an item reaches
// the document, so that it is applied first. Owned by the tag editor; main thread only.
class BXTagTokenMenu final {
public:
    static inline const QString RemoveTagAction = QStringLiteral("removeTag:");

    // What the menu asks of the tag editor.
    struct Hooks {
        // Whether an edit of the tags is open.
        std::function<bool()> editing;
        // Takes `token` off the tags shown and off the notes as one step; false when the tags
        // shown do not hold it or an edit is open.
        std::function<bool(const QVariant& token)> removeShownTag;
    };

    // `editor` is the target of "Remove Tag".
    BXTagTokenMenu(QObject* editor, const BXTagLookup& lookup, Hooks hooks);
    ~BXTagTokenMenu();

    // Builds the menu the first time, and listens for its items being sent.
    void build();
    // Null until built.
    QMenu* menu() const { return m_menu.get(); }

    static bool hasMenuForRepresentedObject(const QVariant& object);
    // The menu with its items pointed at `object`, a token of `field`.
    QMenu* menuForRepresentedObject(platform::TokenField* field, const QVariant& object);
    // `info` holds "tokenField" and "categoryToken".
    void removeTag(const QVariantMap& info);

private:
    void menuWillSendAction(const platform::Notification& notification);

    QObject* m_editor;
    const BXTagLookup& m_lookup;
    Hooks m_hooks;
    std::unique_ptr<QMenu> m_menu;
    QPointer<platform::TokenField> m_menuField;
};
