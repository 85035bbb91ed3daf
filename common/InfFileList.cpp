#include "InfFileList.h"

#include <windows.h>
#include <setupapi.h>

namespace {

// The wide list of <Windows>\inf, two calls, converted name by name. Some systems list nothing for
// the folder left unnamed, so it is named.
std::vector<char> WideInfFileList()
{
    std::vector<char> list;
    wchar_t szFolder[MAX_PATH];
    const UINT cchWindows = ::GetWindowsDirectoryW(szFolder, MAX_PATH - 4);
    if (cchWindows == 0 || cchWindows >= MAX_PATH - 4) {
        return list;
    }
    ::lstrcatW(szFolder, L"\\inf");

    DWORD cchList = 0;
    if (!::SetupGetInfFileListW(szFolder, INF_STYLE_WIN4, nullptr, 0, &cchList) || cchList == 0) {
        return list;
    }
    std::vector<wchar_t> wide(static_cast<size_t>(cchList) + 1, L'\0');
    if (!::SetupGetInfFileListW(szFolder, INF_STYLE_WIN4, wide.data(), cchList, &cchList)) {
        return list;
    }
    for (const wchar_t* pwszName = wide.data(); pwszName < wide.data() + wide.size() && *pwszName != L'\0';
         pwszName += ::lstrlenW(pwszName) + 1) {
        const int cbName = ::WideCharToMultiByte(CP_ACP, 0, pwszName, -1, nullptr, 0, nullptr, nullptr);
        if (cbName <= 1) {
            continue;
        }
        const size_t nAt = list.size();
        list.resize(nAt + static_cast<size_t>(cbName));
        ::WideCharToMultiByte(CP_ACP, 0, pwszName, -1, list.data() + nAt, cbName, nullptr, nullptr);
    }
    return list;
}

}  // namespace

std::vector<char> SystemInfFileList()
{
    std::vector<char> list;
    DWORD cbList = 0;
    ::SetupGetInfFileListA(nullptr, INF_STYLE_WIN4, nullptr, 0, &cbList);
    if (cbList > 0) {
        list.assign(cbList, '\0');
        if (!::SetupGetInfFileListA(nullptr, INF_STYLE_WIN4, list.data(), cbList, &cbList)) {
            list.clear();
        }
    } else {
        list = WideInfFileList();
    }
    // Two zero bytes more, so that a walk over the names ends inside the buffer whatever was written.
    list.push_back('\0');
    list.push_back('\0');
    return list;
}
