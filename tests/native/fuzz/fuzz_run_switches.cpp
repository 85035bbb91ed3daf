#include "FuzzInput.h"
#include "RunSwitches.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb)
{
    // A command line is a terminated text of any length; the first byte picks the program.
    if (cb == 0)
        return 0;
    auto pszLine = TerminatedCopy(pData + 1, cb - 1);
    const bool bInstaller = (pData[0] & 1) != 0;
    const RunSwitches sw = ParseRunSwitches(SkipProgramName(pszLine.get()), bInstaller);
    FUZZ_CHECK(sw.nPortIndex >= -1 && sw.nPortIndex <= 6);
    FUZZ_CHECK(bInstaller || sw.nPortIndex == -1);
    FUZZ_CHECK(std::memchr(sw.szLogPath, '\0', sizeof(sw.szLogPath)) != nullptr);
    FUZZ_CHECK(std::memchr(sw.szBadSwitch, '\0', sizeof(sw.szBadSwitch)) != nullptr);
    FUZZ_CHECK(sw.bValid == (sw.szBadSwitch[0] == '\0'));
    FUZZ_CHECK(sw.bValid || sw.bAny);
    FUZZ_CHECK(!(sw.bNoRestart && sw.bForceRestart) || !sw.bValid);
    const int nCode = ExitCodeFromOutcomes(pData[0]);
    FUZZ_CHECK(nCode == 0 || (nCode >= 1603 && nCode <= 3010));
    return 0;
}
