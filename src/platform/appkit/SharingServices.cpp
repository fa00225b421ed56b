#include "SharingServices.h"

#include "CommandRouter.h"
#include "CopySharingService.h"
#include "EmailSharingService.h"

#include <QAction>
#include <QMenu>

namespace platform {

SharingServices& SharingServices::shared()
{
    static SharingServices registry;
    return registry;
}

SharingServices::SharingServices()
{
    restoreBuiltInServices();
}

SharingService* SharingServices::serviceWithIdentifier(const QString& identifier) const
{
    for (const std::unique_ptr<SharingService>& service : m_services) {
        if (service->identifier() == identifier)
            return service.get();
    }
    return nullptr;
}

void SharingServices::setServices(std::vector<std::unique_ptr<SharingService>> services)
{
    m_services = std::move(services);
}

void SharingServices::restoreBuiltInServices()
{
    m_services.clear();
    m_services.push_back(std::make_unique<EmailSharingService>());
    m_services.push_back(std::make_unique<CopySharingService>());
}

void SharingServices::fillMenu(QMenu* menu) const
{
    for (const std::unique_ptr<SharingService>& service : m_services) {
        QAction* item = menu->addAction(service->icon(), service->title());
        CommandRouter::setAction(item, kShareFromServiceAction);
        CommandRouter::setRepresentedObject(item, service->identifier());
        CommandRouter::shared().connectAction(item);
    }
}

} // namespace platform
