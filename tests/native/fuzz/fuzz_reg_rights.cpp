#include "FuzzInput.h"
#include "RegText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb)
{
    auto pszRights = TerminatedCopy(pData, cb);
    unsigned long dwMask = 0xDEADBEEF;
    const unsigned long dwResult = ParseRegRights(pszRights.get(), &dwMask);
    FUZZ_CHECK(dwResult == kErrSuccess || dwResult == kErrInvalidParameter);
    FUZZ_CHECK((dwMask & ~(kRegRightsFull | kRegRightsRead | kRegRightsWrite)) == 0);
    size_t cch = std::strlen(pszRights.get());
    if (cch > kRegTextBuffer - 1)
        cch = kRegTextBuffer - 1;
    if (cch % 2 != 0)
        FUZZ_CHECK(dwResult == kErrInvalidParameter && dwMask == 0);
    if (cch == 0)
        FUZZ_CHECK(dwResult == kErrSuccess && dwMask == 0);
    return 0;
}
