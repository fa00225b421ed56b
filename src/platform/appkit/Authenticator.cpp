#include "Authenticator.h"

#include "platform/foundation/Dispatch.h"

namespace platform {

namespace {

class RefusingAuthenticator final : public Authenticator {
public:
    bool canEvaluate(QString* reason) const override
    {
        if (reason)
            *reason = QStringLiteral("No way to check the password is set up.");
        return false;
    }
    void evaluate(const QString&, Reply reply) override
    {
        dispatchAsyncMain([reply = std::move(reply)] { reply(false); });
    }
};

Authenticator*& installed()
{
    static Authenticator* authenticator = nullptr;
    return authenticator;
}

} // namespace

Authenticator& Authenticator::current()
{
    static RefusingAuthenticator refusing;
    return installed() ? *installed() : refusing;
}

Authenticator* Authenticator::setCurrent(Authenticator* authenticator)
{
    return std::exchange(installed(), authenticator);
}

} // namespace platform
