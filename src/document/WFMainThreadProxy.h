#pragma once

#include "platform/foundation/Dispatch.h"

#include <QObject>
#include <QVariant>
#include <QVariantList>

#include <concepts>
#include <functional>
#include <optional>
#include <type_traits>

namespace mainthreadproxy {

// The untyped half of WFMainThreadProxy, shared by every target type.
bool targetResponds(const QObject* target, const char* selector);
std::optional<QVariant> perform(
    QObject* target, const char* selector, const QVariantList& arguments);

} // namespace mainthreadproxy

// Stands in for a target so that code written for the main thread can be called from any
// other thread: every message sent through the proxy runs on the main thread while the sending
// thread waits, and its result comes back to the sender; on the main thread it runs at once.
// The proxy does not own its target, which must outlive it. Never send through it from a
// thread the main thread is itself waiting for.
template <typename Target> class WFMainThreadProxy final {
public:
    explicit WFMainThreadProxy(Target* target) : m_target(target) { }

    Target* target() const { return m_target; }

    // Runs `message(target)` on the main thread and returns what it returns.
    template <typename Message>
    requires std::invocable<Message, Target&>
    auto perform(Message&& message) const
    {
        using Result = std::remove_cvref_t<std::invoke_result_t<Message, Target&>>;
        if constexpr (std::is_void_v<Result>) {
            platform::dispatchSyncMain([&] { std::invoke(message, *m_target); });
        } else {
            std::optional<Result> result;
            platform::dispatchSyncMain([&] { result.emplace(std::invoke(message, *m_target)); });
            return std::move(*result);
        }
    }

    // Whether the target has a slot or invokable method of that name.
    bool respondsToSelector(const char* selector) const requires std::derived_from<Target, QObject>
    {
        return mainthreadproxy::targetResponds(m_target, selector);
    }

    // Calls the target's slot or invokable method `selector` with `arguments` (converted to
    // its parameter types) on the main thread, waiting for it, and returns its result (an
    // invalid QVariant for a void method). A method the target lacks, or arguments that do
    // not fit it, are logged as an unrecognised selector on the sending thread and give
    // nothing; the main thread is never involved then.
    std::optional<QVariant> performSelector(const char* selector,
        const QVariantList& arguments = {}) const requires std::derived_from<Target, QObject>
    {
        return mainthreadproxy::perform(m_target, selector, arguments);
    }

private:
    Target* m_target;
};
