#include "BoundedText.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb)
{
    // First byte: destination size; second: where the source is split into two texts.
    if (cb < 2)
        return 0;
    const size_t cbDest = pData[0] % 64;
    const size_t nSplit = cb > 2 ? pData[1] % (cb - 2 + 1) : 0;
    auto pszFirst = TerminatedCopy(pData + 2, nSplit);
    auto pszSecond = TerminatedCopy(pData + 2 + nSplit, cb - 2 - nSplit);

    // Exact size: a write past cbDest trips the sanitizer.
    std::unique_ptr<char[]> pDest(new char[cbDest != 0 ? cbDest : 1]);
    std::memset(pDest.get(), 'D', cbDest != 0 ? cbDest : 1);
    size_t cch = CopyText(pDest.get(), cbDest, pszFirst.get());
    if (cbDest != 0) {
        FUZZ_CHECK(cch < cbDest && pDest[cch] == '\0');
        FUZZ_CHECK(std::memcmp(pDest.get(), pszFirst.get(), cch) == 0);
    } else {
        FUZZ_CHECK(cch == 0);
    }
    const size_t cchBefore = cch;
    cch = AppendText(pDest.get(), cbDest, pszSecond.get());
    if (cbDest != 0) {
        FUZZ_CHECK(cch < cbDest && pDest[cch] == '\0' && cch >= cchBefore);
        FUZZ_CHECK(std::memcmp(pDest.get() + cchBefore, pszSecond.get(), cch - cchBefore) == 0);
    }

    // Appending to a destination that holds raw input bytes, terminated or not.
    auto pRaw = ExactCopy(pData + 2, cb - 2);
    cch = AppendText(pRaw.get(), cb - 2, pszFirst.get());
    if (cb > 2)
        FUZZ_CHECK(cch < cb - 2 && pRaw[cch] == '\0');

    cch = CopyTextPart(pDest.get(), cbDest, pRaw.get(), cb - 2);
    FUZZ_CHECK(cbDest == 0 || cch < cbDest);
    return 0;
}
