#include "FuzzInput.h"
#include "HardwareId.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb)
{
    // The input is the property buffer as the system fills it, exact size, maybe unterminated.
    auto pIds = ExactCopy(pData, cb);
    const bool bMatch = HardwareIdMatches(pIds.get(), cb, "USB\\Vid_7E21&Pid_0C3B");
    if (bMatch)
        FUZZ_CHECK(cb >= kHardwareIdCompareLength);

    size_t cbSeen = 0;
    ForEachMultiSz(pIds.get(), cb, [&](const char* pchItem, size_t cchItem) {
        FUZZ_CHECK(cchItem != 0);
        FUZZ_CHECK(pchItem >= pIds.get() && pchItem + cchItem <= pIds.get() + cb);
        FUZZ_CHECK(std::memchr(pchItem, 0, cchItem) == nullptr);
        cbSeen += cchItem + 1;
        return true;
    });
    FUZZ_CHECK(cbSeen <= cb + 1);
    return 0;
}
