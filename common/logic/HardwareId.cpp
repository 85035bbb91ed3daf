#include "HardwareId.h"

namespace {

char LowerAscii(char ch)
{
    return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
}

} // namespace

bool HardwareIdMatches(const char* pszIds, size_t cbIds, const char* pszPrefix)
{
    if (pszIds == nullptr || pszPrefix == nullptr)
        return false;
    for (size_t i = 0; i < kHardwareIdCompareLength; ++i) {
        const char chId = (i < cbIds) ? pszIds[i] : '\0';
        const char chPrefix = pszPrefix[i];
        if (LowerAscii(chId) != LowerAscii(chPrefix))
            return false;
        if (chPrefix == '\0')
            return true;  // both ended together
    }
    return true;
}
