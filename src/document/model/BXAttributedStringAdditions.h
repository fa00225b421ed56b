#pragma once

#include <QByteArray>

#include <atomic>
#include <memory>

class QTextDocument;

// How a note keeps its rich text: RTFD data when the text holds attachments, else RTF, both
// written with the default text attributes; read back RTFD first, then RTF. Any thread.
class BXAttributedStringAdditions final {
public:
    BXAttributedStringAdditions() = delete;

    static QByteArray RTFData(const QTextDocument& text);
    // nullptr for null data, for data that reads as neither form and once `stop` is set.
    static std::unique_ptr<QTextDocument> attributedStringWithRTFData(
        const QByteArray& data, const std::atomic<bool>* stop = nullptr);
};
