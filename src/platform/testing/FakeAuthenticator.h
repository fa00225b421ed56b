#pragma once

#include "platform/appkit/Authenticator.h"

#include <QStringList>

#include <deque>

namespace platform {

// An authenticator for tests: requests wait until the test answers them, in order. Installs
// itself while it lives.
class FakeAuthenticator final : public Authenticator {
public:
    FakeAuthenticator();
    ~FakeAuthenticator() override;
    FakeAuthenticator(const FakeAuthenticator&) = delete;
    FakeAuthenticator& operator=(const FakeAuthenticator&) = delete;

    bool canEvaluate(QString* reason = nullptr) const override;
    void evaluate(const QString& reason, Reply reply) override;

    // Makes canEvaluate() false with `cause`; evaluate() then answers NO by itself, later.
    void setUnavailable(const QString& cause) { m_unavailableCause = cause; }
    // Answers the oldest waiting request; false when none waits.
    bool answer(bool success);
    int pendingCount() const { return int(m_pending.size()); }
    // The reason of every request so far, in order.
    const QStringList& reasons() const { return m_reasons; }

private:
    Authenticator* m_previous;
    QString m_unavailableCause;
    std::deque<Reply> m_pending;
    QStringList m_reasons;
};

} // namespace platform
