#pragma once

#include "SharingService.h"

namespace platform {

// Shares a note through the clipboard, as RTF ("text/rtf"), HTML and plain text, so that any
// program can take it in the richest form it reads.
class CopySharingService final : public SharingService {
public:
    static inline const QString kIdentifier = QStringLiteral("copy");

    QString identifier() const override { return kIdentifier; }
    QString title() const override;
    QIcon icon() const override;
    bool perform(const QTextDocument& text, const QString& subject, QWidget* window) override;
};

} // namespace platform
