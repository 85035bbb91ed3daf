// restart_recorder: stands in for the prefix's wineboot.exe, which Wine's ExitWindowsEx starts to
// "reboot" the prefix (ending every process in it, the test's included). It only appends its
// command line to C:\qlx-restart-requests.txt, so a restart request is recorded, not carried out.
// The test copies it over C:\windows\system32\wineboot.exe and sets the DLL override
// "wineboot.exe"="native" for the time of the test.
#include <windows.h>

#include <cstdio>

int main()
{
    FILE* pFile = std::fopen("C:\\qlx-restart-requests.txt", "ab");
    if (pFile != nullptr) {
        std::fprintf(pFile, "%ls\n", GetCommandLineW());
        std::fclose(pFile);
    }
    return 0;
}
