// Helpers shared by the fuzz targets: copies of the input with exact heap bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

// The input as a terminated text (an embedded zero ends it early, as it would in a real buffer).
inline std::unique_ptr<char[]> TerminatedCopy(const uint8_t* pData, size_t cb)
{
    std::unique_ptr<char[]> p(new char[cb + 1]);
    if (cb != 0)
        std::memcpy(p.get(), pData, cb);
    p[cb] = '\0';
    return p;
}

// The input bytes exactly, no terminator: a read past cb trips the sanitizer.
inline std::unique_ptr<char[]> ExactCopy(const uint8_t* pData, size_t cb)
{
    std::unique_ptr<char[]> p(new char[cb != 0 ? cb : 1]);
    if (cb != 0)
        std::memcpy(p.get(), pData, cb);
    return p;
}

// A property the code promises did not hold: stop with a crash the fuzzer records.
#define FUZZ_CHECK(cond) \
    do {                 \
        if (!(cond))     \
            std::abort(); \
    } while (0)
