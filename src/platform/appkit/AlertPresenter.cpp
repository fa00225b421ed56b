#include "AlertPresenter.h"

#include "MessageBoxAlertPresenter.h"

namespace platform {

namespace {

AlertPresenter* installedPresenter = nullptr;

} // namespace

AlertPresenter& AlertPresenter::current()
{
    if (installedPresenter)
        return *installedPresenter;
    static MessageBoxAlertPresenter realPresenter;
    return realPresenter;
}

void AlertPresenter::setCurrent(AlertPresenter* presenter)
{
    installedPresenter = presenter;
}

} // namespace platform
