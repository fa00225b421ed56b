#include "app/BXAppAuthenticationService.h"

#include "document/BXDefaults.h"
#include "platform/appkit/Authenticator.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"

#include <future>

namespace {

const QString kAllowBiometrics = QStringLiteral("AllowBiometrics");

} // namespace

bool BXAppAuthenticationService::isProtectionEnabled(const platform::UserDefaults& defaults)
{
    return defaults.boolForKey(Protect);
}

void BXAppAuthenticationService::authenticateWithMode(BXAuthenticationMode mode, Reply reply)
{
    // Each request is a new proof: an earlier success is never reused.
    platform::Authenticator::current().evaluate(authenticationReason(mode), std::move(reply));
}

bool BXAppAuthenticationService::authenticateSynchronously(
    BXAuthenticationMode mode, const QString& reason)
{
    if (platform::isMainThread()) {
        platform::log(QStringLiteral("Refused a waiting authentication on the main thread"));
        return false;
    }
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> result = answer->get_future();
    const QString shown = reason.isEmpty() ? authenticationReason(mode) : reason;
    platform::dispatchAsyncMain([answer, shown] {
        platform::Authenticator::current().evaluate(
            shown, [answer](bool success) { answer->set_value(success); });
    });
    return result.get();
}

void BXAppAuthenticationService::setProtectionEnabled(
    bool enabled, platform::UserDefaults& defaults, Reply reply)
{
    authenticateWithMode(
        enabled ? BXAuthenticationMode::turnOnProtection : BXAuthenticationMode::turnOffProtection,
        [enabled, &defaults, reply = std::move(reply)](bool success) {
            if (success) {
                defaults.setBool(Protect, enabled);
                defaults.setBool(kAllowBiometrics, enabled);
            }
            if (reply)
                reply(success);
        });
}
