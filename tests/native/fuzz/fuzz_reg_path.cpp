#include "FuzzInput.h"
#include "RegText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb)
{
    auto pszPath = TerminatedCopy(pData, cb);
    RegPathParts parts;
    std::memset(&parts, 0x5A, sizeof(parts));
    const unsigned long dwResult = ParseRegPath(pszPath.get(), &parts);
    FUZZ_CHECK(dwResult == kErrSuccess || dwResult == kErrInvalidParameter);
    FUZZ_CHECK(std::memchr(parts.szMachine, 0, sizeof(parts.szMachine)) != nullptr);
    FUZZ_CHECK(std::memchr(parts.szSubKey, 0, sizeof(parts.szSubKey)) != nullptr);
    if (dwResult == kErrSuccess) {
        FUZZ_CHECK(parts.nHive != kRegHiveNone);
        // A remote path never names the hives that exist only locally.
        if (parts.szMachine[0] != '\0') {
            FUZZ_CHECK(std::strncmp(parts.szMachine, "\\\\", 2) == 0);
            FUZZ_CHECK(parts.nHive == kRegHiveLocalMachine || parts.nHive == kRegHiveUsers);
        }
        // The subkey is the tail of the path as read (at most kRegTextBuffer - 1 characters).
        const size_t cchSub = std::strlen(parts.szSubKey);
        size_t cchPath = std::strlen(pszPath.get());
        if (cchPath > kRegTextBuffer - 1)
            cchPath = kRegTextBuffer - 1;
        FUZZ_CHECK(cchSub < cchPath);
        FUZZ_CHECK(std::memcmp(pszPath.get() + cchPath - cchSub, parts.szSubKey, cchSub) == 0);
    } else {
        FUZZ_CHECK(parts.szMachine[0] == '\0' && parts.szSubKey[0] == '\0' && parts.nHive == kRegHiveNone);
    }
    return 0;
}
