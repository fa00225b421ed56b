#pragma once

namespace platform {

class TextView;
class UndoManager;

// What a TextView asks of whoever shows it.
class TextViewDelegate {
public:
    virtual ~TextViewDelegate() = default;

    // Where the view's user edits are recorded; nullptr records none.
    virtual UndoManager* undoManagerForTextView(TextView* textView) = 0;
};

} // namespace platform
