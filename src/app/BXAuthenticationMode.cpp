#include "app/BXAuthenticationMode.h"

#include "platform/foundation/Localized.h"

std::optional<BXAuthenticationMode> authenticationModeFromRawValue(qint64 value)
{
    if (value < 0 || value > 3)
        return std::nullopt;
    return BXAuthenticationMode(value);
}

QString authenticationReason(BXAuthenticationMode mode)
{
    switch (mode) {
    case BXAuthenticationMode::unlockApp:
        return platform::localized(QStringLiteral("touchIDReasonUnlockApp"));
    case BXAuthenticationMode::turnOnProtection:
        return platform::localized(QStringLiteral("touchIDReasonTurnOnProtection"));
    case BXAuthenticationMode::turnOffProtection:
        return platform::localized(QStringLiteral("touchIDReasonTurnOffProtection"));
    case BXAuthenticationMode::generic:
        break;
    }
    return platform::localized(QStringLiteral("touchIDReasonGeneric"));
}
