#include "BoundedText.h"

#include <cstdio>
#include <cstring>

size_t BoundedTextLength(const char* pszText, size_t cchMax)
{
    if (pszText == nullptr)
        return 0;
    size_t cch = 0;
    while (cch < cchMax && pszText[cch] != '\0')
        ++cch;
    return cch;
}

size_t CopyTextPart(char* pszDest, size_t cbDest, const char* pchSource, size_t cchSource)
{
    if (pszDest == nullptr || cbDest == 0)
        return 0;
    size_t cch = 0;
    if (pchSource != nullptr) {
        // Test the room before touching the source, so at most cbDest - 1 source bytes are read.
        while (cch + 1 < cbDest && cch < cchSource && pchSource[cch] != '\0') {
            pszDest[cch] = pchSource[cch];
            ++cch;
        }
    }
    pszDest[cch] = '\0';
    return cch;
}

size_t CopyText(char* pszDest, size_t cbDest, const char* pszSource)
{
    return CopyTextPart(pszDest, cbDest, pszSource, static_cast<size_t>(-1));
}

size_t AppendText(char* pszDest, size_t cbDest, const char* pszSource)
{
    if (pszDest == nullptr || cbDest == 0)
        return 0;
    size_t cchDest = BoundedTextLength(pszDest, cbDest);
    if (cchDest == cbDest) {
        // Not terminated inside its buffer: keep what fits and terminate it.
        cchDest = cbDest - 1;
        pszDest[cchDest] = '\0';
    }
    return cchDest + CopyText(pszDest + cchDest, cbDest - cchDest, pszSource);
}

size_t FormatTextV(char* pszDest, size_t cbDest, const char* pszFormat, va_list args)
{
    if (pszDest == nullptr || cbDest == 0)
        return 0;
    if (pszFormat == nullptr) {
        pszDest[0] = '\0';
        return 0;
    }
    int nResult = std::vsnprintf(pszDest, cbDest, pszFormat, args);
    // Some C runtimes leave a cut text unterminated; terminate it ourselves in every case.
    pszDest[cbDest - 1] = '\0';
    if (nResult < 0) {
        pszDest[0] = '\0';
        return 0;
    }
    return BoundedTextLength(pszDest, cbDest);
}

size_t FormatText(char* pszDest, size_t cbDest, const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    size_t cch = FormatTextV(pszDest, cbDest, pszFormat, args);
    va_end(args);
    return cch;
}

bool IsPlainFolderName(const char* pszName)
{
    if (pszName == nullptr || pszName[0] == '\0' || std::strcmp(pszName, ".") == 0 || std::strcmp(pszName, "..") == 0) {
        return false;
    }
    return std::strpbrk(pszName, "\\/:*?\"<>|") == nullptr;
}
