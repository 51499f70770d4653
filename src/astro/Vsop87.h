#pragma once
// Evaluation of truncated VSOP87 heliocentric series (Bretagnon and Francou 1988, as truncated in
// Meeus, Astronomical Algorithms, 2nd ed., chapter 32 and Appendix III).
#include <cmath>
#include <cstddef>

namespace driftline::vsop87 {

// One periodic term: amplitude (1e-8 rad or 1e-8 AU), phase (rad), frequency (rad per millennium).
struct TVsopTerm {
    double A;
    double B;
    double C;
};

// One group of a series: its terms and their count.
struct TVsopGroup {
    const TVsopTerm* terms;
    std::size_t count;
};

template <std::size_t N>
constexpr TVsopGroup Group(const TVsopTerm (&terms)[N])
{
    return {terms, N};
}

// Sum of A cos(B + C tau) over one group, in the group's units (1e-8 rad or 1e-8 AU).
inline double GroupSum(const TVsopGroup& group, double tau)
{
    double sum = 0.0;
    for (std::size_t i = 0; i < group.count; ++i) {
        const TVsopTerm& t = group.terms[i];
        sum += t.A * std::cos(t.B + t.C * tau);
    }
    return sum;
}

// A series value in radians or AU: the group sums combined as a polynomial in tau
// (millennia from J2000), divided by 1e8.
template <std::size_t NGroups>
double SeriesValue(const TVsopGroup (&groups)[NGroups], double tau)
{
    double value = 0.0;
    for (std::size_t g = NGroups; g-- > 0;)
        value = value * tau + GroupSum(groups[g], tau);
    return value / 1e8;
}

}  // namespace driftline::vsop87
