// Bounded text helpers: every copy into or append to a fixed char buffer goes through here.
#pragma once

#include <cstdarg>
#include <cstddef>

// Length of pszText, looking at no more than cchMax characters; a null text has length 0.
size_t BoundedTextLength(const char* pszText, size_t cchMax);

// Copies pszSource into pszDest (cbDest bytes). Writes at most cbDest bytes, always terminates when
// cbDest > 0, reads at most cbDest - 1 characters of the source. A null source counts as "".
// Returns the length of the text now in pszDest.
size_t CopyText(char* pszDest, size_t cbDest, const char* pszSource);

// Like CopyText, but takes at most cchSource characters of the source (fewer if it ends earlier).
// For items that need not be terminated, such as the last entry of a damaged multi-string list.
size_t CopyTextPart(char* pszDest, size_t cbDest, const char* pchSource, size_t cchSource);

// Appends pszSource to the text in pszDest (cbDest bytes), cutting what does not fit. A destination
// that is not terminated within cbDest is first terminated at its last byte. A null source counts
// as "". Returns the length of the text now in pszDest.
size_t AppendText(char* pszDest, size_t cbDest, const char* pszSource);

// printf-style formatting into pszDest (cbDest bytes), cut to fit and always terminated when
// cbDest > 0. Returns the length of the text now in pszDest (not the length it would have had).
size_t FormatTextV(char* pszDest, size_t cbDest, const char* pszFormat, va_list args);
size_t FormatText(char* pszDest, size_t cbDest, const char* pszFormat, ...);

template <size_t N>
inline size_t CopyText(char (&szDest)[N], const char* pszSource)
{
    return CopyText(szDest, N, pszSource);
}

template <size_t N>
inline size_t CopyTextPart(char (&szDest)[N], const char* pchSource, size_t cchSource)
{
    return CopyTextPart(szDest, N, pchSource, cchSource);
}

template <size_t N>
inline size_t AppendText(char (&szDest)[N], const char* pszSource)
{
    return AppendText(szDest, N, pszSource);
}

// Whether pszName can name one folder inside another: not null or empty, not "." or "..", and free
// of separators, drive colons and wildcards. A profile entry that fails this would make a folder
// step work on the parent itself (the Windows directory, the drive root).
bool IsPlainFolderName(const char* pszName);
