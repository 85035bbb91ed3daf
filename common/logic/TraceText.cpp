#include "TraceText.h"

#include "BoundedText.h"

void FormatTraceStamp(char* pszLine, size_t cbLine, unsigned nHour, unsigned nMinute, unsigned nSecond)
{
    FormatText(pszLine, cbLine, "%02u:%02u:%02u: ", nHour, nMinute, nSecond);
}

size_t FormatTraceMessageV(char* pszLine, size_t cbLine, const char* pszFormat, va_list args)
{
    if (pszLine == nullptr || cbLine <= kTraceStampLength)
        return BoundedTextLength(pszLine, cbLine);
    size_t cbMessage = cbLine - kTraceStampLength;
    if (cbMessage > kTraceMessageLimit + 1)
        cbMessage = kTraceMessageLimit + 1;
    return kTraceStampLength + FormatTextV(pszLine + kTraceStampLength, cbMessage, pszFormat, args);
}
