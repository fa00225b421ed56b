#pragma once

#include <optional>
#include <utility>

namespace markdown {

// A node property read from cmark on first use and kept from then on. An assigned value
// replaces the kept one and never reaches cmark.
template <typename T> class Lazy final {
public:
    template <typename Compute> const T& get(Compute&& compute) const
    {
        if (!m_value)
            m_value = std::forward<Compute>(compute)();
        return *m_value;
    }
    void set(T value) { m_value = std::move(value); }
    bool isComputed() const { return m_value.has_value(); }

private:
    mutable std::optional<T> m_value;
};

} // namespace markdown
