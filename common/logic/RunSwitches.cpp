#include "RunSwitches.h"

#include "BoundedText.h"
#include "PortChoice.h"

#include <cctype>
#include <cstring>
#include <string>

namespace {

bool IsBlank(char ch) { return ch == ' ' || ch == '\t'; }

bool SameText(const std::string& strText, const char* pszWord)
{
    const size_t cchWord = std::strlen(pszWord);
    if (strText.size() != cchWord)
        return false;
    for (size_t i = 0; i < cchWord; ++i) {
        if (std::tolower(static_cast<unsigned char>(strText[i])) != std::tolower(static_cast<unsigned char>(pszWord[i])))
            return false;
    }
    return true;
}

// The next argument from *ppszText on: blanks end it unless inside double quotes, which are
// dropped. False when only blanks were left.
bool NextArgument(const char*& pszText, std::string& strArg)
{
    strArg.clear();
    while (IsBlank(*pszText))
        ++pszText;
    if (*pszText == '\0')
        return false;
    bool bQuoted = false;
    for (; *pszText != '\0' && (bQuoted || !IsBlank(*pszText)); ++pszText) {
        if (*pszText == '"')
            bQuoted = !bQuoted;
        else
            strArg += *pszText;
    }
    return true;
}

int PortIndexFromName(const std::string& strName)
{
    for (int nIndex = 0; nIndex < kPortIndexCount; ++nIndex) {
        if (SameText(strName, PortNameFromIndex(nIndex)))
            return nIndex;
    }
    return -1;
}

// Takes one argument into the switches; false when it is refused.
bool TakeArgument(const std::string& strArg, bool bAcceptPort, RunSwitches& sw)
{
    if (strArg.size() < 2 || (strArg[0] != '/' && strArg[0] != '-'))
        return false;
    const std::string strBody = strArg.substr(1);
    const size_t nEquals = strBody.find('=');
    const std::string strName = strBody.substr(0, nEquals);
    if (nEquals == std::string::npos) {
        if (SameText(strName, "quiet"))
            sw.bQuiet = true;
        else if (SameText(strName, "norestart"))
            sw.bNoRestart = true;
        else if (SameText(strName, "forcerestart"))
            sw.bForceRestart = true;
        else if (SameText(strName, "?"))
            sw.bHelp = true;
        else
            return false;
        return !(sw.bNoRestart && sw.bForceRestart);
    }

    const std::string strValue = strBody.substr(nEquals + 1);
    if (bAcceptPort && SameText(strName, "port")) {
        const int nIndex = PortIndexFromName(strValue);
        if (nIndex < 0 || (sw.nPortIndex >= 0 && sw.nPortIndex != nIndex))
            return false;
        sw.nPortIndex = nIndex;
        return true;
    }
    if (SameText(strName, "log")) {
        if (strValue.empty() || strValue.size() >= kLogPathSize || std::memchr(strValue.data(), '\0', strValue.size()))
            return false;
        if (sw.szLogPath[0] != '\0' && strValue != sw.szLogPath)
            return false;
        CopyText(sw.szLogPath, strValue.c_str());
        return true;
    }
    return false;
}

} // namespace

int ExitCodeFromOutcomes(unsigned nOutcomes)
{
    static const struct {
        unsigned nOutcome;
        int nCode;
    } kOrder[] = {{kOutcomeAnotherInstance, kExitAnotherInstance}, {kOutcomeBadCommandLine, kExitBadCommandLine},
                  {kOutcomeLogFailure, kExitLogFailure},           {kOutcomeOldWindows, kExitOldWindows},
                  {kOutcomePackageInvalid, kExitPackageInvalid},   {kOutcomeFailure, kExitFailure},
                  {kOutcomeNothingInstalled, kExitNothingInstalled}, {kOutcomeRestartStarted, kExitRestartStarted},
                  {kOutcomeRestartNeeded, kExitRestartNeeded}};
    for (const auto& entry : kOrder) {
        if ((nOutcomes & entry.nOutcome) != 0)
            return entry.nCode;
    }
    return kExitSuccess;
}

RunSwitches ParseRunSwitches(const char* pszArgs, bool bAcceptPort)
{
    RunSwitches sw;
    if (pszArgs == nullptr)
        return sw;
    std::string strArg;
    const char* pszNext = pszArgs;
    while (NextArgument(pszNext, strArg)) {
        sw.bAny = true;
        // Every argument is taken, so a refused one does not hide a later /quiet.
        if (!TakeArgument(strArg, bAcceptPort, sw) && sw.bValid) {
            sw.bValid = false;
            CopyText(sw.szBadSwitch, strArg.empty() ? "\"\"" : strArg.c_str());
        }
    }
    return sw;
}

const char* SkipProgramName(const char* pszCommandLine)
{
    if (pszCommandLine == nullptr)
        return "";
    const char* p = pszCommandLine;
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p != '\0' && !IsBlank(*p))
            ++p;
    }
    while (IsBlank(*p))
        ++p;
    return p;
}
