/* A program or library planted where an elevated program might find it by a bare name (cmd.exe,
 * RUNDLL32.exe, WINSPOOL.DRV, ...). Whenever it runs, it leaves C:\qlx-planted\<its file name>.ran,
 * so a test can tell that it never did. */
#include <windows.h>
#include <string.h>

static void LeaveMarker(HMODULE hModule)
{
    char szPath[MAX_PATH] = "";
    GetModuleFileNameA(hModule, szPath, sizeof(szPath));
    const char* pszName = strrchr(szPath, '\\');
    pszName = pszName != NULL ? pszName + 1 : szPath;

    char szMarker[MAX_PATH] = "C:\\qlx-planted\\";
    CreateDirectoryA(szMarker, NULL);
    if (strlen(szMarker) + strlen(pszName) + 5 < sizeof(szMarker)) {
        strcat(szMarker, pszName);
        strcat(szMarker, ".ran");
        HANDLE hFile = CreateFileA(szMarker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (hFile != INVALID_HANDLE_VALUE) {
            CloseHandle(hFile);
        }
    }
}

#ifdef QLX_PLANTED_LIBRARY
BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved)
{
    (void)pReserved;
    if (dwReason == DLL_PROCESS_ATTACH) {
        LeaveMarker(hInstance);
    }
    return TRUE;
}
#else
int main(void)
{
    LeaveMarker(NULL);
    return 0;
}
#endif
