#pragma once
// Two sample lists the same length with every sample the same bytes: how the tests compare a
// followed, zoomed or re-read store with one derived afresh.
#include "logdata/Sampleview.h"

#include <cstring>

namespace driftline::testing {

inline bool SameSampleBytes(const SampleView& a, const SampleView& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(Sample)) != 0)
            return false;
    return true;
}

}  // namespace driftline::testing
