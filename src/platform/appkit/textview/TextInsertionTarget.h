#pragma once

#include <QString>

#include <functional>

class QTextCursor;

namespace platform {

// What a text view's insertions ask of the view: whether it takes them, and running one as
// the user's edit at its selection.
class TextInsertionTarget {
public:
    virtual ~TextInsertionTarget() = default;

    virtual bool acceptsInsertion() const = 0;
    // Runs `insert` on the view's cursor as one user edit named `actionName`, then notes where
    // the caret went and, with `showCaret`, scrolls it into view.
    virtual void insertAsUserEdit(const QString& actionName,
        const std::function<void(QTextCursor& cursor)>& insert, bool showCaret)
        = 0;
    // Inserts plain `text` as typed, with the spaces smart paste adds; false when it cannot.
    virtual bool insertPlainText(const QString& text, const QString& actionName) = 0;
};

} // namespace platform
