#include "lists/BXControllerObjectProxy.h"

using namespace platform;

std::shared_ptr<BXControllerObjectProxy> BXControllerObjectProxy::withManagedObject(
    const KeyValueRef& object)
{
    const auto managed = std::dynamic_pointer_cast<const ManagedObject>(object);
    if (!managed)
        return nullptr;
    return std::make_shared<BXControllerObjectProxy>(
        std::const_pointer_cast<ManagedObject>(managed));
}

BXControllerObjectProxy::BXControllerObjectProxy(const ManagedObjectPtr& object)
    : ControllerSelection({ object })
{ }
