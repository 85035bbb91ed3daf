#include "VersionFields.h"

unsigned long VersionFieldFromText(const char* pszText)
{
    unsigned long dwValue = 0;
    for (const char* p = pszText; p != nullptr && *p >= '0' && *p <= '9'; ++p) {
        dwValue = (dwValue * 10u + static_cast<unsigned long>(*p - '0')) & 0xFFFFFFFFul;
    }
    return dwValue;
}

int CompareVersionFields(const DriverVersion& wanted, const DriverVersion& installed)
{
    const unsigned long wantedFields[] = {wanted.dwMajor, wanted.dwMinor, wanted.dwBuild, wanted.dwExtra};
    const unsigned long installedFields[] = {installed.dwMajor, installed.dwMinor, installed.dwBuild,
                                             installed.dwExtra};
    for (int i = 0; i < 4; ++i) {
        if (wantedFields[i] > installedFields[i]) {
            return kVersionReplace;
        }
        if (wantedFields[i] < installedFields[i]) {
            return kVersionNewer;
        }
    }
    return kVersionSame;
}
