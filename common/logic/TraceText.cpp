#include "TraceText.h"

#include "BoundedText.h"

void FormatTraceStamp(char* pszLine, size_t cbLine, unsigned nHour, unsigned nMinute, unsigned nSecond)
{
    FormatText(pszLine, cbLine, "%02u:%02u:%02u: ", nHour, nMinute, nSecond);
}
