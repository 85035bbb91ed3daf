// Import hooks: they apply to real imports, count, restore, nest, and refuse
// imports the executable does not have.
#include "Testkit.h"

#include <gtest/gtest.h>
#include <winspool.h>

#include <memory>
#include <string>
#include <vector>

using namespace qlx::testkit;

namespace {

class HooksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_strFile = m_dir / "probe.txt";
        ASSERT_TRUE(WriteWholeFile(m_strFile, "x"));
    }
    ScratchDir m_dir;
    std::string m_strFile;
};

TEST_F(HooksTest, FailCallFailsTheFirstCallsThenPassesThrough)
{
    {
        auto hook = FailCall<decltype(&GetFileAttributesA)>("kernel32.dll", "GetFileAttributesA",
                                                            ERROR_ACCESS_DENIED, 1, INVALID_FILE_ATTRIBUTES);
        SetLastError(0xdeadbeef);
        DWORD dwAttr = GetFileAttributesA(m_strFile.c_str());
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, dwAttr);
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());

        SetLastError(0xdeadbeef);
        dwAttr = GetFileAttributesA(m_strFile.c_str());
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, dwAttr) << "error " << GetLastError();
        EXPECT_EQ(0u, dwAttr & FILE_ATTRIBUTE_DIRECTORY);

        // A passed-through call keeps the real function's error.
        SetLastError(0xdeadbeef);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((m_dir / "missing").c_str()));
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
        EXPECT_EQ(3, hook.Calls());
    }
    // Restored: the real function answers and nothing is counted any more.
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(m_strFile.c_str()));
}

TEST_F(HooksTest, FailCallWithNegativeTimesFailsEveryCall)
{
    auto hook = FailCall<decltype(&GetFileAttributesA)>("kernel32.dll", "GetFileAttributesA", 21, -1,
                                                        INVALID_FILE_ATTRIBUTES);
    for (int i = 0; i < 5; ++i) {
        SetLastError(0);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(m_strFile.c_str()));
        EXPECT_EQ(21u, GetLastError());
    }
    EXPECT_EQ(5, hook.Calls());
}

TEST_F(HooksTest, DllNameIsMatchedWithoutRegardToCase)
{
    for (const char* pszDll : {"kernel32.dll", "KERNEL32.dll", "KERNEL32.DLL", "Kernel32.Dll"}) {
        SCOPED_TRACE(pszDll);
        EXPECT_TRUE(HasImport(pszDll, "GetFileAttributesA"));
        auto hook = FailCall<decltype(&GetFileAttributesA)>(pszDll, "GetFileAttributesA", 5, 1,
                                                            INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(m_strFile.c_str()));
        EXPECT_EQ(1, hook.Calls());
    }
}

TEST_F(HooksTest, MissingImportIsRefusedLoudly)
{
    struct Case {
        const char* pszDll;
        const char* pszFunction;
    };
    const Case cases[] = {
        {"kernel32.dll", "NoSuchFunctionA"},
        {"nosuch.dll", "GetFileAttributesA"},
        {"user32.dll", "GetFileAttributesA"},  // imported, but from another DLL
        {"kernel32.dll", "getfileattributesa"},  // function names are case-sensitive
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pszDll) + "!" + c.pszFunction);
        EXPECT_FALSE(HasImport(c.pszDll, c.pszFunction));
        EXPECT_THROW(FailCall<decltype(&GetFileAttributesA)>(c.pszDll, c.pszFunction, 5, 1, 0),
                     std::runtime_error);
    }
    // A refused hook leaves its slot free and the import untouched.
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(m_strFile.c_str()));
    std::vector<Hook<decltype(&GetFileAttributesA)>> hooks;
    for (int i = 0; i < kSlotsPerSignature; ++i) {
        hooks.push_back(FailCall<decltype(&GetFileAttributesA)>("kernel32.dll", "GetFileAttributesA", 5, 0, 0));
    }
}

TEST_F(HooksTest, HooksOfOneSignatureKeepTheirOwnBehaviour)
{
    // DeleteFileA and RemoveDirectoryA share the type BOOL(LPCSTR).
    auto del = FailCall<decltype(&DeleteFileA)>("kernel32.dll", "DeleteFileA", ERROR_SHARING_VIOLATION, -1, FALSE);
    auto rmd = FailCall<decltype(&RemoveDirectoryA)>("kernel32.dll", "RemoveDirectoryA", ERROR_DIR_NOT_EMPTY, -1,
                                                     FALSE);
    SetLastError(0);
    EXPECT_FALSE(DeleteFileA(m_strFile.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(RemoveDirectoryA(m_dir.Path().c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DIR_NOT_EMPTY), GetLastError());
    EXPECT_FALSE(DeleteFileA(m_strFile.c_str()));
    EXPECT_EQ(2, del.Calls());
    EXPECT_EQ(1, rmd.Calls());
    EXPECT_TRUE(FileExists(m_strFile));
}

TEST_F(HooksTest, MoreHooksOfOneSignatureThanSlotsAreRefused)
{
    std::vector<Hook<decltype(&GetFileAttributesA)>> hooks;
    for (int i = 0; i < kSlotsPerSignature; ++i) {
        hooks.push_back(FailCall<decltype(&GetFileAttributesA)>("kernel32.dll", "GetFileAttributesA", 100 + i, 1,
                                                                INVALID_FILE_ATTRIBUTES));
    }
    EXPECT_THROW(FailCall<decltype(&GetFileAttributesA)>("kernel32.dll", "GetFileAttributesA", 5, 1, 0),
                 std::runtime_error);
    // The newest hook sees the call first.
    SetLastError(0);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(m_strFile.c_str()));
    EXPECT_EQ(static_cast<DWORD>(100 + kSlotsPerSignature - 1), GetLastError());
    while (!hooks.empty()) {
        hooks.pop_back();
    }
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(m_strFile.c_str()));
}

TEST_F(HooksTest, NestedHooksRestoreInReverseOrder)
{
    auto outer = FailCall<decltype(&GetFileAttributesA)>("kernel32.dll", "GetFileAttributesA", 2, -1,
                                                         INVALID_FILE_ATTRIBUTES);
    {
        std::vector<std::string> seen;
        auto inner = Replace<decltype(&GetFileAttributesA)>(
            "kernel32.dll", "GetFileAttributesA", [&](auto original, LPCSTR pszName) {
                seen.push_back(pszName);
                return original(pszName);
            });
        // The inner hook's "original" is the outer hook.
        SetLastError(0);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(m_strFile.c_str()));
        EXPECT_EQ(2u, GetLastError());
        EXPECT_EQ(std::vector<std::string>{m_strFile}, seen);
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(m_strFile.c_str()));
    EXPECT_EQ(2, outer.Calls());
}

TEST_F(HooksTest, HooksReleasedOutOfOrderLeaveTheOthersWorking)
{
    using Sig = decltype(&GetFileAttributesA);
    auto pOld = std::make_unique<Hook<Sig>>(FailCall<Sig>("kernel32.dll", "GetFileAttributesA", 31, -1, 0));
    std::vector<Hook<Sig>> hooks;  // a vector destroys its elements oldest first
    hooks.push_back(Replace<Sig>("kernel32.dll", "GetFileAttributesA",
                                 [](Sig original, LPCSTR pszName) { return original(pszName); }));
    hooks.push_back(Replace<Sig>("kernel32.dll", "GetFileAttributesA",
                                 [](Sig original, LPCSTR pszName) { return original(pszName); }));
    pOld.reset();  // the bottom of the stack goes first
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(m_strFile.c_str()));
    EXPECT_EQ(1, hooks[0].Calls());
    EXPECT_EQ(1, hooks[1].Calls());
    hooks.clear();
    // Every slot is free again and the import is the real function.
    std::vector<Hook<Sig>> all;
    for (int i = 0; i < kSlotsPerSignature; ++i) {
        all.push_back(FailCall<Sig>("kernel32.dll", "GetFileAttributesA", 5, 0, 0));
    }
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(m_strFile.c_str()));
    all.clear();
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(m_strFile.c_str()));
}

TEST_F(HooksTest, ReplaceRecordsArgumentsAndCanFakeResults)
{
    struct Seen {
        DWORD dwFlags;
        std::string strName;
        DWORD dwLevel;
        DWORD cbBuf;
    };
    std::vector<Seen> seen;
    auto hook = Replace<decltype(&EnumPrintersA)>(
        "winspool.drv", "EnumPrintersA",
        [&](DWORD dwFlags, LPSTR pszName, DWORD dwLevel, LPBYTE, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned) {
            seen.push_back({dwFlags, pszName ? pszName : "(null)", dwLevel, cbBuf});
            *pcbNeeded = 1234;
            *pcReturned = 0;
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        });
    DWORD cbNeeded = 0;
    DWORD nReturned = 7;
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &cbNeeded, &nReturned));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(1234u, cbNeeded);
    EXPECT_EQ(0u, nReturned);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(static_cast<DWORD>(PRINTER_ENUM_LOCAL), seen[0].dwFlags);
    EXPECT_EQ("(null)", seen[0].strName);
    EXPECT_EQ(2u, seen[0].dwLevel);
    EXPECT_EQ(0u, seen[0].cbBuf);
    EXPECT_EQ(1, hook.Calls());
}

TEST_F(HooksTest, SpoolerFailureIsInjectedOnceThenTheSpoolerAnswers)
{
    auto hook = FailCall<decltype(&EnumPrintersA)>("winspool.drv", "EnumPrintersA", RPC_S_SERVER_UNAVAILABLE, 1,
                                                   FALSE);
    DWORD cbNeeded = 0;
    DWORD nReturned = 0;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &cbNeeded, &nReturned));
    EXPECT_EQ(static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE), GetLastError());
    // The real spooler: a fresh prefix has no printers (TRUE, 0), otherwise FALSE/122 with a size.
    SetLastError(0xdeadbeef);
    BOOL bOk = EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &cbNeeded, &nReturned);
    if (bOk) {
        EXPECT_EQ(0u, cbNeeded);
    } else {
        EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
        EXPECT_GT(cbNeeded, 0u);
    }
    EXPECT_EQ(2, hook.Calls());
}

TEST_F(HooksTest, HookReachesCallsFromOtherThreads)
{
    auto hook = FailCall<decltype(&GetFileAttributesA)>("kernel32.dll", "GetFileAttributesA", 5, -1,
                                                        INVALID_FILE_ATTRIBUTES);
    struct Param {
        std::string strFile;
        DWORD dwAttr;
        DWORD dwError;
    } param{m_strFile, 0, 0};
    HANDLE hThread = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* pParam = static_cast<Param*>(p);
            pParam->dwAttr = GetFileAttributesA(pParam->strFile.c_str());
            pParam->dwError = GetLastError();
            return 0;
        },
        &param, 0, nullptr);
    ASSERT_NE(nullptr, hThread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hThread, 10000));
    CloseHandle(hThread);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, param.dwAttr);
    EXPECT_EQ(5u, param.dwError);
    EXPECT_EQ(1, hook.Calls());
}

}  // namespace
