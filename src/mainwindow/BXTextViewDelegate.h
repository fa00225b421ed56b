#pragma once

#include "platform/appkit/TextViewDelegate.h"

#include <QString>

#include <optional>

class BXTextView;

// The delegate of a note text view: the window controller showing the note. The optional
// methods answer std::nullopt (or false) when the delegate does not implement them.
class BXTextViewDelegate : public platform::TextViewDelegate {
public:
    virtual QString currentNoteName() = 0;
    virtual bool commitTextViewEditing(BXTextView* textView) = 0;
    virtual void discardTextViewEditing(BXTextView* textView) = 0;

    virtual std::optional<bool> becomeFirstResponder(BXTextView* textView)
    {
        Q_UNUSED(textView);
        return std::nullopt;
    }
    virtual std::optional<bool> resignFirstResponder(BXTextView* textView)
    {
        Q_UNUSED(textView);
        return std::nullopt;
    }
    // Answers false when not implemented; the click is consumed either way.
    virtual bool textViewClickedOnHashtag(BXTextView* textView, const QString& hashtag)
    {
        Q_UNUSED(textView);
        Q_UNUSED(hashtag);
        return false;
    }
    // Editor registration: the view finished (committed or discarded) its editing.
    virtual void objectDidEndEditing(BXTextView* textView) { Q_UNUSED(textView); }
};
