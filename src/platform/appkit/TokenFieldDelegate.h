#pragma once

#include <QStringList>
#include <QVariant>

#include <optional>

class QMenu;
class QMimeData;

namespace platform {

class TokenField;

// What a TokenField asks of its owner. Every hook has a default that reports "not implemented"
// (nullopt, null), and the field then falls back on its own behaviour. Main thread only.
class TokenFieldDelegate {
public:
    virtual ~TokenFieldDelegate() = default;

    // The text a token shows; nullopt shows a string entry itself and anything else empty.
    virtual std::optional<QString> displayString(TokenField* field, const QVariant& object)
    {
        Q_UNUSED(field);
        Q_UNUSED(object);
        return std::nullopt;
    }
    // The entry typed text becomes; nullopt (not implemented) or an invalid QVariant (none)
    // keep the text as a plain string entry.
    virtual std::optional<QVariant> representedObjectForEditingString(
        TokenField* field, const QString& text)
    {
        Q_UNUSED(field);
        Q_UNUSED(text);
        return std::nullopt;
    }
    // Names offered for the typed `substring`; `tokenIndex` is where the entry would go.
    virtual std::optional<QStringList> completions(
        TokenField* field, const QString& substring, int tokenIndex)
    {
        Q_UNUSED(field);
        Q_UNUSED(substring);
        Q_UNUSED(tokenIndex);
        return std::nullopt;
    }
    // The menu of a token, owned by the delegate; null when the token has none.
    virtual QMenu* menuForRepresentedObject(TokenField* field, const QVariant& object)
    {
        Q_UNUSED(field);
        Q_UNUSED(object);
        return nullptr;
    }
    virtual bool hasMenuForRepresentedObject(TokenField* field, const QVariant& object)
    {
        Q_UNUSED(field);
        Q_UNUSED(object);
        return false;
    }
    // The entries a paste inserts; nullopt when not implemented, an empty list for nothing.
    virtual std::optional<QVariantList> readFromPasteboard(TokenField* field, const QMimeData& data)
    {
        Q_UNUSED(field);
        Q_UNUSED(data);
        return std::nullopt;
    }
    // Adds the delegate's own form of copied entries beside the field's text.
    virtual void writeRepresentedObjects(
        TokenField* field, const QVariantList& objects, QMimeData& data)
    {
        Q_UNUSED(field);
        Q_UNUSED(objects);
        Q_UNUSED(data);
    }
    // Asked on the first change of an edit; false ignores the change.
    virtual bool textShouldBeginEditing(TokenField* field)
    {
        Q_UNUSED(field);
        return true;
    }
    // Asked when an edit is about to end; false keeps it open.
    virtual bool textShouldEndEditing(TokenField* field)
    {
        Q_UNUSED(field);
        return true;
    }
};

} // namespace platform
