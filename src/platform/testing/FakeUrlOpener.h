#pragma once

#include "platform/appkit/UrlOpener.h"

#include <QList>

namespace platform {

// An opener for tests: records every URL it is asked to open and opens nothing. Installs itself
// as the current opener while it lives and puts the previous one back when it goes.
class FakeUrlOpener final : public UrlOpener {
public:
    FakeUrlOpener();
    ~FakeUrlOpener() override;
    FakeUrlOpener(const FakeUrlOpener&) = delete;
    FakeUrlOpener& operator=(const FakeUrlOpener&) = delete;

    // Records `url` and answers as the desktop would when an application took it.
    bool openUrl(const QUrl& url) override;

    // Every URL asked for so far, in order.
    const QList<QUrl>& openedUrls() const { return m_openedUrls; }

private:
    QList<QUrl> m_openedUrls;
    UrlOpener* m_previous = nullptr;
};

} // namespace platform
