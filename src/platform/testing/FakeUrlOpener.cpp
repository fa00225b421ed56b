#include "FakeUrlOpener.h"

namespace platform {

FakeUrlOpener::FakeUrlOpener() : m_previous(UrlOpener::setCurrent(this)) { }

FakeUrlOpener::~FakeUrlOpener()
{
    UrlOpener::setCurrent(m_previous);
}

bool FakeUrlOpener::openUrl(const QUrl& url)
{
    m_openedUrls.append(url);
    return true;
}

} // namespace platform
