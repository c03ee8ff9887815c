// The fuzz targets' expectations: a broken one is named on stderr and ends the run as a finding.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace love::fuzz {

[[noreturn]] inline void expectationFailed(const char* expectation, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: expectation failed: %s\n", file, line, expectation);
    std::abort();
}

}  // namespace love::fuzz

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::love::fuzz::expectationFailed(#condition, __FILE__, __LINE__))
