#include "app/BXVersionCheck.h"

#include "document/BXDefaults.h"
#include "platform/appkit/UrlOpener.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"

#include <QCoreApplication>

#include <mutex>

BXVersionCheck::BXVersionCheck(platform::UserDefaults& defaults, QObject* parent)
    : kVersionCheck(defaults, parent)
{ }

BXVersionCheck::~BXVersionCheck()
{
    delete m_window.data();
}

BXVersionCheck& BXVersionCheck::sharedInstance()
{
    static BXVersionCheck* instance = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        platform::dispatchSyncMain(
            [] { instance = new BXVersionCheck(platform::UserDefaults::standard(), qApp); });
    });
    return *instance;
}

void BXVersionCheck::updateAvailable()
{
    if (!platform::isMainThread()) {
        platform::dispatchAsyncMain([self = QPointer(this)] {
            if (self)
                self->updateAvailable();
        });
        return;
    }
    // Only an automatic check passes over the version the user chose to skip; asking shows it.
    if (!delegate() && !lastVersion().isEmpty()
        && lastVersion() == defaults().stringForKey(SkipUpdateVersion))
        return;
    if (!m_window)
        m_window = new BXVersionCheckWindowController(*this, defaults());
    m_window->showWindow();
}

void BXVersionCheck::downloadUpdate()
{
    const QString address = versionDictionary().value(DownloadURLKey).toString();
    if (address.isEmpty())
        return;
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        platform::log(
            QStringLiteral("Ignored download address that is not a web address: %@"), address);
        return;
    }
    platform::UrlOpener::current().openUrl(url);
}

QString BXVersionCheck::lastVersion() const
{
    return versionDictionary().value(LastVersionKey).toString();
}

void BXVersionCheck::controllerWillCloseWindow(BXVersionCheckWindowController* controller)
{
    if (controller != m_window)
        return;
    m_window = nullptr;
    controller->deleteLater();
}
