#pragma once

namespace platform {
class Editor;
} // namespace platform

// The window controller a tag editor reports its open edits to, so that the window's
// endEditing and the document's saves commit them. Main thread only.
class BXTagsControllerDelegate {
public:
    virtual ~BXTagsControllerDelegate() = default;

    virtual void objectDidBeginEditing(platform::Editor* editor) = 0;
    virtual void objectDidEndEditing(platform::Editor* editor) = 0;
};
