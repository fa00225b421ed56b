#pragma once

#include <QString>

#include <memory>

class QMimeData;
class QTextDocument;

namespace platform {

// Attributed text on the clipboard and back: RTF ("text/rtf", the form notes are stored in,
// so a copy pasted in this application keeps every style it carried), HTML for programs that
// read that, and plain text. Stateless; any thread, though the clipboard itself is the GUI
// thread's.
class TextMimeData final {
public:
    TextMimeData() = delete;

    static const QString RtfType;

    // `text` in every form above; `title` names the HTML page. Pictures travel in no form.
    static std::unique_ptr<QMimeData> make(const QTextDocument& text, const QString& title = {});
    // The attributed text `data` carries as RTF; null when it carries none, or damaged RTF.
    static std::unique_ptr<QTextDocument> attributedText(const QMimeData& data);
};

} // namespace platform
