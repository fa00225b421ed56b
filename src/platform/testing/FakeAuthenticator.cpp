#include "FakeAuthenticator.h"

#include "platform/foundation/Dispatch.h"

namespace platform {

FakeAuthenticator::FakeAuthenticator() : m_previous(Authenticator::setCurrent(this)) { }

FakeAuthenticator::~FakeAuthenticator()
{
    Authenticator::setCurrent(m_previous);
}

bool FakeAuthenticator::canEvaluate(QString* reason) const
{
    if (m_unavailableCause.isEmpty())
        return true;
    if (reason)
        *reason = m_unavailableCause;
    return false;
}

void FakeAuthenticator::evaluate(const QString& reason, Reply reply)
{
    if (!canEvaluate()) {
        dispatchAsyncMain([reply = std::move(reply)] { reply(false); });
        return;
    }
    m_reasons.append(reason);
    m_pending.push_back(std::move(reply));
}

bool FakeAuthenticator::answer(bool success)
{
    if (m_pending.empty())
        return false;
    Reply reply = std::move(m_pending.front());
    m_pending.pop_front();
    // Later, on the main thread, as the real check answers.
    dispatchAsyncMain([reply = std::move(reply), success] { reply(success); });
    return true;
}

} // namespace platform
