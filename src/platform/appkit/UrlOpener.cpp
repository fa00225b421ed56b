#include "UrlOpener.h"

#include "DesktopUrlOpener.h"

namespace platform {

namespace {

UrlOpener* installedOpener = nullptr;

} // namespace

UrlOpener& UrlOpener::current()
{
    static DesktopUrlOpener desktop;
    return installedOpener ? *installedOpener : desktop;
}

UrlOpener* UrlOpener::setCurrent(UrlOpener* opener)
{
    UrlOpener* previous = installedOpener;
    installedOpener = opener;
    return previous;
}

} // namespace platform
