#pragma once

#include <QString>

class QImage;
class QMimeData;

namespace platform {

class TextInsertionTarget;

// Inserts mime data (the clipboard's, or another source's) at a text view's selection as the
// user's edit: an image as a PNG attachment, else RTF with its styles, else rich text through
// the readers' own HTML import, else plain text. Owned by its view; main thread only.
class MimeDataInsertion final {
public:
    explicit MimeDataInsertion(TextInsertionTarget& target) : m_target(target) { }

    // Answers whether `source` held anything usable (and the view took it).
    bool insertMimeData(const QMimeData* source, const QString& actionName);
    bool insertImage(const QImage& image, const QString& actionName);

private:
    TextInsertionTarget& m_target;
};

} // namespace platform
