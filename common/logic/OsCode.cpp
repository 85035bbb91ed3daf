#include "OsCode.h"

int OsCodeFromVersion(unsigned long dwPlatformId, unsigned long dwMajor, unsigned long dwMinor,
                      unsigned char wProductType)
{
    int nOSCode = kOsWin7;
    const bool bWorkstation = (wProductType == kProductWorkstation);

    if (dwPlatformId == kPlatformWin9x) {
        if (dwMajor == 4) {
            if (dwMinor == 0)
                nOSCode = kOsWin95;
            else if (dwMinor == 10)
                nOSCode = kOsWin98;
            else if (dwMinor == 90)
                nOSCode = kOsWinMe;
        }
    } else if (dwPlatformId == kPlatformNT) {
        if (dwMajor <= 4) {
            nOSCode = kOsWinNT4;
        } else if (dwMajor == 5) {
            if (dwMinor == 0)
                nOSCode = kOsWin2000;
            else if (dwMinor == 1)
                nOSCode = kOsWinXP;
            else if (dwMinor == 2)
                nOSCode = kOsWin2003;
        } else if (dwMajor == 6) {
            // Minor 0: the workstation (Vista) gets the lower code; minor 1: the server
            // (2008 R2) gets the lower code and Windows 7 shares the code of everything newer.
            if (dwMinor == 0)
                nOSCode = bWorkstation ? kOsVista : kOsWin2008;
            else if (dwMinor == 1)
                nOSCode = bWorkstation ? kOsWin7 : kOsWin2008R2;
        }
    }
    return nOSCode;
}
