// Hardware ids of device nodes: the USB prefix compare and the walk over a multi-string list.
#pragma once

#include <cstddef>

// Number of characters compared; the length of "USB\\" + the vendor/product part.
constexpr size_t kHardwareIdCompareLength = 21;

// Compares the first kHardwareIdCompareLength characters of the device's first hardware id (the
// start of pszIds) with pszPrefix, ignoring ASCII case; the compare stops early where both texts
// end. A buffer not terminated within cbIds ends there. Null texts never match.
bool HardwareIdMatches(const char* pszIds, size_t cbIds, const char* pszPrefix);

// Calls fnVisit(pchItem, cchItem) for each entry of a multi-string list (entries ended by a zero,
// the list by an empty entry), never reading past cbBuf. A last entry whose terminator is missing
// is still visited, with its length; pchItem is then not terminated. fnVisit returns false to stop.
template <typename Fn>
void ForEachMultiSz(const char* pBuf, size_t cbBuf, Fn&& fnVisit)
{
    if (pBuf == nullptr)
        return;
    size_t nPos = 0;
    while (nPos < cbBuf && pBuf[nPos] != '\0') {
        size_t cchItem = 0;
        while (nPos + cchItem < cbBuf && pBuf[nPos + cchItem] != '\0')
            ++cchItem;
        if (!fnVisit(pBuf + nPos, cchItem))
            return;
        nPos += cchItem + 1;
    }
}
