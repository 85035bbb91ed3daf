#include "FuzzInput.h"
#include "RegText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb)
{
    auto pszText = TerminatedCopy(pData, cb);
    RegPermission perm;
    std::memset(&perm, 0x5A, sizeof(perm));
    const unsigned long dwResult = ParseRegPermission(pszText.get(), &perm);
    FUZZ_CHECK(dwResult == kErrSuccess || dwResult == kErrInvalidParameter);
    FUZZ_CHECK(std::memchr(perm.szTrustee, 0, sizeof(perm.szTrustee)) != nullptr);
    FUZZ_CHECK(perm.dwMode <= kRegAccessRevoke);
    FUZZ_CHECK((perm.dwMask & ~(kRegRightsFull | kRegRightsRead | kRegRightsWrite)) == 0);
    if (dwResult == kErrSuccess) {
        FUZZ_CHECK(perm.szTrustee[0] != '\0' && std::strchr(perm.szTrustee, ':') == nullptr);
        if (perm.dwMode == kRegAccessRevoke || perm.dwMode == kRegAccessNotUsed)
            FUZZ_CHECK(perm.dwMask == 0);
    } else {
        FUZZ_CHECK(perm.dwMode == kRegAccessNotUsed && perm.dwMask == 0 && perm.szTrustee[0] == '\0');
    }
    return 0;
}
