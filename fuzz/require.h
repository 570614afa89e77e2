#ifndef KGW_FUZZ_REQUIRE_H
#define KGW_FUZZ_REQUIRE_H

#include <cstdlib>

// A broken promise is a finding: abort, so that the fuzzer keeps the input that broke it.
inline void require(bool condition)
{
    if (!condition)
        abort();
}

#endif
