#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

// Invariant checks shared by the fuzz targets and their regression test. Under libFuzzer
// (SF_FUZZ_ENTRY) a broken invariant aborts, so that the fuzzer keeps the input as a crash; in
// the regression test it throws InvariantBroken, which the test reports with the input's name.
namespace fuzzing {

class InvariantBroken : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

[[noreturn]] inline void invariantBroken(const char* what, const char* file, int line) {
    const std::string text =
        std::string(file) + ":" + std::to_string(line) + ": invariant broken: " + what;
#ifdef SF_FUZZ_ENTRY
    std::fprintf(stderr, "%s\n", text.c_str());
    std::abort();
#else
    throw InvariantBroken(text);
#endif
}

} // namespace fuzzing

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond))                                                                               \
            ::fuzzing::invariantBroken(#cond, __FILE__, __LINE__);                                 \
    } while (false)
