// Test helper: holds a file open the way another program would, until it is ended.
//   qlx_hold_file lock|share-delete <file> <ready-marker>
// lock: no sharing at all (deletion and rename fail with 32);
// share-delete: read and delete sharing (writing fails with 32, renaming works).
#include <windows.h>

#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 4) {
        return 2;
    }
    const DWORD dwShare = std::strcmp(argv[1], "lock") == 0 ? 0 : FILE_SHARE_READ | FILE_SHARE_DELETE;
    HANDLE hFile = CreateFileA(argv[2], GENERIC_READ, dwShare, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        return 3;
    }
    HANDLE hReady = CreateFileA(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hReady != INVALID_HANDLE_VALUE) {
        CloseHandle(hReady);
    }
    Sleep(60000);  // ended by the test long before
    CloseHandle(hFile);
    return 0;
}
