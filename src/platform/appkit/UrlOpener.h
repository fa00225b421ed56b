#pragma once

#include <QUrl>

namespace platform {

// Hands a URL to the user's default application for it (the browser for web links, the mail
// program for mailto:). Everything that sends the user out of the application goes through the
// current opener, so tests install a fake and no test ever starts a program. Main thread only.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;

    // Asks the desktop to open `url`; false when no application took it.
    virtual bool openUrl(const QUrl& url) = 0;

    // The opener in force: the desktop's until another is installed.
    static UrlOpener& current();
    // Installs `opener` (not owned) and returns the one it replaces, for putting back; nullptr
    // returns to the desktop's opener.
    static UrlOpener* setCurrent(UrlOpener* opener);
};

} // namespace platform
