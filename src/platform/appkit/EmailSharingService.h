#pragma once

#include "SharingService.h"

#include <QUrl>

namespace platform {

// Shares a note as a new e-mail: a mailto: URL with the title as subject and the plain text as
// body, opened by the desktop's mail program through the current UrlOpener. A text that would
// make the URL longer than mail programs take, or a desktop without a mail program, is never
// cut or dropped silently: an alert says so and suggests Copy.
class EmailSharingService final : public SharingService {
public:
    static inline const QString kIdentifier = QStringLiteral("email");
    // Longer URLs are refused by desktop launchers and mail programs alike.
    static constexpr qsizetype kMaxUrlBytes = 100000;

    QString identifier() const override { return kIdentifier; }
    QString title() const override;
    QIcon icon() const override;
    bool perform(const QTextDocument& text, const QString& subject, QWidget* window) override;

    // The mailto: URL; line breaks in the body become CRLF, as mail bodies need.
    static QUrl mailtoUrl(const QString& subject, const QString& body);
};

} // namespace platform
