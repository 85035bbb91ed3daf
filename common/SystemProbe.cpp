#include "SystemProbe.h"

#include "OsCode.h"
#include "TraceLog.h"

int CheckOS()
{
    TraceStep step("CheckOS");
    OSVERSIONINFOEXA osvi = {};
    osvi.dwOSVersionInfoSize = sizeof(osvi);
    if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&osvi))) {
        // A record that stays cleared reads as platform 0, which maps to the newest Windows.
        osvi.dwOSVersionInfoSize = sizeof(osvi);
        ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&osvi));
    }
    WriteTraceLog("osvi.dwPlatformID   : %d", static_cast<int>(osvi.dwPlatformId));
    WriteTraceLog("osvi.dwMajorVersion : %d", static_cast<int>(osvi.dwMajorVersion));
    WriteTraceLog("osvi.dwMinorVersion : %d", static_cast<int>(osvi.dwMinorVersion));
    WriteTraceLog("osvi.dwBuildNumber  : %d", static_cast<int>(osvi.dwBuildNumber));
    return OsCodeFromVersion(osvi.dwPlatformId, osvi.dwMajorVersion, osvi.dwMinorVersion, osvi.wProductType);
}

int QueryWow64Flag(IsWow64ProcessFn pfnIsWow64Process)
{
    BOOL bWow64 = FALSE;
    if (pfnIsWow64Process != nullptr) {
        pfnIsWow64Process(::GetCurrentProcess(), &bWow64);  // its own result is not needed
    }
    return bWow64;
}

int IsWow64()
{
#ifdef _WIN64
    WriteTraceLog("The process is a 64-bit process.");
    return 1;
#else
    static IsWow64ProcessFn s_pfnIsWow64Process = nullptr;
    s_pfnIsWow64Process = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32"), "IsWow64Process")));
    const int bWow64 = QueryWow64Flag(s_pfnIsWow64Process);
    WriteTraceLog(bWow64 ? "The process is running under WOW64." : "The process is not running under WOW64.");
    return bWow64;
#endif
}
