#pragma once

#include <concepts>
#include <memory>
#include <utility>

namespace markdown {

// Holds any implementation of a collection interface by value: made from a value, each copy of
// the holder clones it, so holders never share a value; made from a shared pointer, copies
// share that object, whose owner may keep changing it.
template <typename Collection> class AnyCollection final {
public:
    template <typename Value>
    requires std::derived_from<Value, Collection> AnyCollection(
        Value value) // NOLINT(google-explicit-constructor): stands for the value
        : m_value(std::make_shared<Value>(std::move(value))),
          m_clone([](const Collection& collection) -> std::shared_ptr<const Collection> {
              return std::make_shared<Value>(static_cast<const Value&>(collection));
          })
    { }
    explicit AnyCollection(std::shared_ptr<const Collection> shared)
        : m_value(std::move(shared)) { }

    AnyCollection(const AnyCollection& other)
        : m_value(other.m_clone ? other.m_clone(*other.m_value) : other.m_value),
          m_clone(other.m_clone)
    { }
    AnyCollection& operator=(const AnyCollection& other)
    {
        if (this != &other)
            *this = AnyCollection(other);
        return *this;
    }
    AnyCollection(AnyCollection&&) noexcept = default;
    AnyCollection& operator=(AnyCollection&&) noexcept = default;

    const Collection& operator*() const { return *m_value; }
    const Collection* operator->() const { return m_value.get(); }

private:
    std::shared_ptr<const Collection> m_value;
    std::shared_ptr<const Collection> (*m_clone)(const Collection&) = nullptr;
};

} // namespace markdown
