#pragma once
// A light view of a list that lives elsewhere: the whole of a base list, or the entries of it at
// a list of positions. The store hands out its sample lists this way, so the voltage list and the
// zoomed lists cost four bytes a sample instead of a copy of sixty-four.
#include "logdata/Quantity.h"
#include "logdata/Records.h"
#include <compare>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

namespace driftline {

// Positions in a base list, in the order of the list they make. 32 bits: a base list of more
// than four thousand million records (over 100 GB of log) is beyond what a store can hold anyway.
using SampleIndexList = std::vector<std::uint32_t>;

// The entries of a base list, all of them in order (no positions), or those at the given positions.
// A view does not own what it shows: it stays valid while the base list and the positions are
// neither changed nor freed (for the store's views: until the store next changes).
template <typename T>
class TIndexedView {
public:
    using value_type = T;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = const T&;
    using const_reference = const T&;

    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using iterator_concept = std::random_access_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = const T*;
        using reference = const T&;

        const_iterator() = default;
        const_iterator(const T* base, const std::uint32_t* positions, difference_type at)
            : base_(base), positions_(positions), at_(at)
        {}

        reference operator*() const { return positions_ ? base_[positions_[at_]] : base_[at_]; }
        pointer operator->() const { return &**this; }
        reference operator[](difference_type n) const { return *(*this + n); }

        const_iterator& operator++()
        {
            ++at_;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator old = *this;
            ++at_;
            return old;
        }
        const_iterator& operator--()
        {
            --at_;
            return *this;
        }
        const_iterator operator--(int)
        {
            const_iterator old = *this;
            --at_;
            return old;
        }
        const_iterator& operator+=(difference_type n)
        {
            at_ += n;
            return *this;
        }
        const_iterator& operator-=(difference_type n)
        {
            at_ -= n;
            return *this;
        }
        friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
        friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
        friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) { return a.at_ - b.at_; }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.at_ == b.at_; }
        friend auto operator<=>(const const_iterator& a, const const_iterator& b) { return a.at_ <=> b.at_; }

    private:
        const T* base_ = nullptr;
        const std::uint32_t* positions_ = nullptr;
        difference_type at_ = 0;
    };
    using iterator = const_iterator;

    TIndexedView() = default;
    // The whole of a list. Implicit, so that a function taking a view takes a plain list too.
    TIndexedView(const std::vector<T>& list) : base_(list.data()), size_(list.size()) {}
    // The first size entries of base.
    TIndexedView(const T* base, std::size_t size) : base_(base), size_(size) {}
    // The entries of base at positions[0 .. size).
    TIndexedView(const T* base, const std::uint32_t* positions, std::size_t size)
        : base_(base), positions_(positions), size_(size)
    {}

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const T& operator[](std::size_t i) const { return positions_ ? base_[positions_[i]] : base_[i]; }
    const T& front() const { return (*this)[0]; }
    const T& back() const { return (*this)[size_ - 1]; }
    const_iterator begin() const { return const_iterator(base_, positions_, 0); }
    const_iterator end() const { return const_iterator(base_, positions_, static_cast<difference_type>(size_)); }

    // Where entry i sits in the base list.
    std::size_t basePosition(std::size_t i) const { return positions_ ? positions_[i] : i; }
    const T* base() const { return base_; }
    // Null for a view of the whole base list.
    const std::uint32_t* positions() const { return positions_; }
    // True when both show the same entries of the same base list (the same list, not equal ones).
    bool sameAs(const TIndexedView& other) const
    {
        return base_ == other.base_ && positions_ == other.positions_ && size_ == other.size_;
    }
    // A copy as a plain list.
    std::vector<T> toList() const { return std::vector<T>(begin(), end()); }

private:
    const T* base_ = nullptr;
    const std::uint32_t* positions_ = nullptr;
    std::size_t size_ = 0;
};

using SampleView = TIndexedView<Sample>;
using RecordView = TIndexedView<RawRecord>;

}  // namespace driftline
