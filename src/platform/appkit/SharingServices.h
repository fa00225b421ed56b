#pragma once

#include "SharingService.h"

#include <memory>
#include <vector>

class QMenu;

namespace platform {

// The application's sharing services in menu order: E-mail and Copy, unless a test replaced
// them with fakes. Fills Share menus with one item per service (action "shareFromService:",
// the service's identifier as represented object). Main thread only.
class SharingServices final {
public:
    static inline const QString kShareFromServiceAction = QStringLiteral("shareFromService:");

    static SharingServices& shared();

    const std::vector<std::unique_ptr<SharingService>>& services() const { return m_services; }
    // Null for an unknown identifier.
    SharingService* serviceWithIdentifier(const QString& identifier) const;
    // Replaces every service; tests install fakes this way and put the built-in ones back
    // with restoreBuiltInServices().
    void setServices(std::vector<std::unique_ptr<SharingService>> services);
    void restoreBuiltInServices();

    // Appends one item per service to `menu`, sent along the responder chain.
    void fillMenu(QMenu* menu) const;

private:
    SharingServices();

    std::vector<std::unique_ptr<SharingService>> m_services;
};

} // namespace platform
