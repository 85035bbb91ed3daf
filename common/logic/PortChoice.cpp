#include "PortChoice.h"

#include "BoundedText.h"

#include <cstring>

namespace {

// Substring test over the first kSettingValueLimit characters of pszValue only.
bool ValueContains(const char* pszValue, const char* pszWord)
{
    const size_t cchValue = BoundedTextLength(pszValue, kSettingValueLimit);
    const size_t cchWord = std::strlen(pszWord);
    if (cchWord > cchValue)
        return false;
    for (size_t i = 0; i + cchWord <= cchValue; ++i) {
        if (std::memcmp(pszValue + i, pszWord, cchWord) == 0)
            return true;
    }
    return false;
}

const char* const kPortNames[] = {"COM1", "COM2", "COM3", "COM4", "LPT1", "LPT2", "USB"};
const char* const kPortDeviceNames[] = {"COM1:", "COM2:", "COM3:", "COM4:", "LPT1:", "LPT2:"};

} // namespace

bool WantsPortDialog(const char* pszPortDlgValue)
{
    return pszPortDlgValue == nullptr || ValueContains(pszPortDlgValue, "TRUE");
}

int PortIndexFromSetting(const char* pszPortValue)
{
    if (pszPortValue == nullptr)
        return kPortIndexCom1;
    for (int nIndex = 0; nIndex < kPortIndexCount; ++nIndex) {
        if (ValueContains(pszPortValue, kPortNames[nIndex]))
            return nIndex;
    }
    return kPortIndexCom1;
}

int PortCodeFromIndex(int nIndex)
{
    return kPortCodeBase + nIndex;
}

bool IsValidPortIndex(int nIndex)
{
    return nIndex >= 0 && nIndex < kPortIndexCount;
}

const char* PortNameFromIndex(int nIndex)
{
    return IsValidPortIndex(nIndex) ? kPortNames[nIndex] : nullptr;
}

const char* PortNameFromCode(int nPortCode)
{
    // USB has no port name of its own.
    if (nPortCode >= kPortCodeBase && nPortCode < kPortCodeUsb)
        return kPortNames[nPortCode - kPortCodeBase];
    return "";
}

const char* PortDeviceNameFromCode(int nPortCode)
{
    if (nPortCode >= kPortCodeBase && nPortCode < kPortCodeUsb)
        return kPortDeviceNames[nPortCode - kPortCodeBase];
    return nullptr;
}
