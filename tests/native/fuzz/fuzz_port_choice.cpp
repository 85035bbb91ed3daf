#include "FuzzInput.h"
#include "PortChoice.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb)
{
    // Values reach us in 256-byte buffers: shorter inputs are terminated, longer ones are passed
    // without a terminator and must not be read past their 256th byte.
    auto pszValue = cb >= kSettingValueLimit ? ExactCopy(pData, cb) : TerminatedCopy(pData, cb);
    const int nIndex = PortIndexFromSetting(pszValue.get());
    FUZZ_CHECK(IsValidPortIndex(nIndex));
    const int nCode = PortCodeFromIndex(nIndex);
    FUZZ_CHECK(nCode >= 1000 && nCode <= 1006);
    FUZZ_CHECK(PortNameFromCode(nCode) != nullptr);
    // COM1 is tested first: a short value that holds it always selects index 0.
    if (cb < kSettingValueLimit && std::strstr(pszValue.get(), "COM1") != nullptr)
        FUZZ_CHECK(nIndex == kPortIndexCom1);
    (void)WantsPortDialog(pszValue.get());
    return 0;
}
