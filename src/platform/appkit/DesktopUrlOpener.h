#pragma once

#include "UrlOpener.h"

namespace platform {

// The desktop's own opener: the URL goes to the application the desktop has registered for it.
class DesktopUrlOpener final : public UrlOpener {
public:
    bool openUrl(const QUrl& url) override;
};

} // namespace platform
