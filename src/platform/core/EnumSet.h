#pragma once

#include <cstdint>
#include <initializer_list>

// A set of the members of an enumeration.
template <typename E> class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> members)
    {
        for (E member : members)
            Include(member);
    }
    constexpr bool Contains(E member) const { return (bits_ >> member & 1) != 0; }
    constexpr void Include(E member) { bits_ |= std::uint64_t{1} << member; }
    constexpr bool Empty() const { return bits_ == 0; }
    friend constexpr bool operator==(TEnumSet, TEnumSet) = default;

private:
    std::uint64_t bits_ = 0;
};
