#pragma once

#include <array>
#include <cstddef>

namespace mondeliar {

// A fixed list numbered from 1, as days (1 = Sunday), months (1 = January) and the writing
// order of months are. An index outside 1..N raises std::out_of_range.
template <typename T, std::size_t N> class OneBasedArray {
public:
    static constexpr int Count = static_cast<int>(N);

    T& operator[](int k) { return items_.at(static_cast<std::size_t>(k - 1)); }
    const T& operator[](int k) const { return items_.at(static_cast<std::size_t>(k - 1)); }
    bool operator==(const OneBasedArray& other) const { return items_ == other.items_; }
    bool operator!=(const OneBasedArray& other) const { return items_ != other.items_; }

private:
    std::array<T, N> items_{};
};

}  // namespace mondeliar
