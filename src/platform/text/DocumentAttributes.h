#pragma once

#include <QMarginsF>
#include <QSizeF>

namespace platform {

// Page and view settings a rich-text file carries besides its text. Lengths in points;
// a null size or negative value means the file did not say.
struct DocumentAttributes {
    QSizeF paperSize;
    QMarginsF margins { -1, -1, -1, -1 };
    QSizeF viewSize;
    int viewKind = -1;
    int viewScale = -1;
    double defaultTabInterval = -1;
    bool readOnly = false;

    bool operator==(const DocumentAttributes&) const = default;
};

} // namespace platform
