#pragma once

#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

namespace platform {

// The flat (single-blob) form of an RTFD folder: the serialised file wrapper that rich-text
// data with attachments is stored as. Reading checks every length against the data, so a
// damaged blob fails with FileReadCorruptFileError instead of reading out of bounds.
// Stateless; any thread.
class FlatRtfd final {
public:
    using Files = QList<QPair<QString, QByteArray>>;

    // True when `data` starts with the flat RTFD signature.
    static bool hasSignature(QByteArrayView data);
    // The regular files at the top of the folder, by name (metadata and sub-folders skipped).
    static std::optional<Files> read(QByteArrayView data, Error* error = nullptr);
    static QByteArray write(const Files& files);
};

} // namespace platform
