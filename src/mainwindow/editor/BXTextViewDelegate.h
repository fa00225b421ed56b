#pragma once

#include "platform/appkit/TextViewDelegate.h"

#include <QRect>
#include <QString>

#include <optional>

class BXTextView;
class QMenu;

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

    // A picture at `index` was double-clicked or chosen for editing; `rect` is its place in
    // the view's viewport. Answers false when not implemented: the view opens the editor.
    virtual bool textViewDoubleClickedOnCell(
        BXTextView* textView, qsizetype index, const QRect& rect)
    {
        Q_UNUSED(textView);
        Q_UNUSED(index);
        Q_UNUSED(rect);
        return false;
    }
    // Lets the delegate change the context menu the view built for a click at `index` (its
    // character index); the view adds its own items after.
    virtual void textViewMenu(BXTextView* textView, QMenu* menu, qsizetype index)
    {
        Q_UNUSED(textView);
        Q_UNUSED(menu);
        Q_UNUSED(index);
    }
    // Around a change the view makes itself (a picture replaced): may it begin, it began, may
    // it end, it ended.
    virtual std::optional<bool> textShouldBeginEditing(BXTextView* textView)
    {
        Q_UNUSED(textView);
        return std::nullopt;
    }
    virtual void textDidBeginEditing(BXTextView* textView) { Q_UNUSED(textView); }
    virtual std::optional<bool> textShouldEndEditing(BXTextView* textView)
    {
        Q_UNUSED(textView);
        return std::nullopt;
    }
    virtual void textDidEndEditing(BXTextView* textView) { Q_UNUSED(textView); }
};
