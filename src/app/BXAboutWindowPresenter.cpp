#include "app/BXAboutWindowPresenter.h"

#include "app/BXAboutWindow.h"
#include "ui/WindowAdditions.h"

#include <QCoreApplication>

namespace {

QPointer<BXAboutWindow>& current()
{
    static QPointer<BXAboutWindow> window;
    return window;
}

} // namespace

void BXAboutWindowPresenter::present()
{
    if (current() && current()->isVisible()) {
        current()->raise();
        current()->activateWindow();
        return;
    }
    delete current().data();
    BXAboutWindow::Info info;
    info.version = QCoreApplication::applicationVersion();
    info.build = qApp->property("buildNumber").toString();
    info.creditsPath = QStringLiteral(":/app/Credits.rtf");
    auto* window = new BXAboutWindow(info);
    WindowAdditions::centerOnScreen(window);
    window->show();
    window->raise();
    window->activateWindow();
    current() = window;
}

BXAboutWindow* BXAboutWindowPresenter::currentWindow()
{
    return current();
}
