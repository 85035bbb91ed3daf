#include "TraceText.h"

#include "BoundedText.h"

void FormatTraceStamp(char* pszLine, size_t cbLine, unsigned nHour, unsigned nMinute, unsigned nSecond)
{
    FormatText(pszLine, cbLine, "%02u:%02u:%02u: ", nHour, nMinute, nSecond);
}

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// "X:\\" or "\\\\server\\share\\" (the share's separator may be the end); 0 for anything else.
size_t PathRootLength(const char* pszPath)
{
    if (pszPath[0] != '\0' && pszPath[1] == ':' && IsSeparator(pszPath[2])) {
        return 3;
    }
    if (!IsSeparator(pszPath[0]) || !IsSeparator(pszPath[1])) {
        return 0;
    }
    size_t nPos = 2;
    for (int nPart = 0; nPart < 2; ++nPart) {
        const size_t nStart = nPos;
        while (pszPath[nPos] != '\0' && !IsSeparator(pszPath[nPos])) {
            ++nPos;
        }
        if (nPos == nStart) {
            return 0;
        }
        if (pszPath[nPos] != '\0') {
            ++nPos;
        }
    }
    return nPos;
}

}  // namespace

std::vector<size_t> PathPartEnds(const char* pszPath)
{
    std::vector<size_t> ends;
    if (pszPath == nullptr) {
        return ends;
    }
    const size_t nRoot = PathRootLength(pszPath);
    if (nRoot == 0) {
        return ends;
    }
    for (size_t nPos = nRoot;; ++nPos) {
        const char c = pszPath[nPos];
        if ((c == '\0' || IsSeparator(c)) && nPos > nRoot && !IsSeparator(pszPath[nPos - 1])) {
            ends.push_back(nPos);
        }
        if (c == '\0') {
            return ends;
        }
    }
}
