// The installer's file utilities against Wine's file system: the ".old" move after a copy onto a
// locked destination, and the product folder with its access list.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "InstallerFileUtil.h"
#include "Testkit.h"
#include "TraceLines.h"
#include "TraceLog.h"

using namespace qlx::testkit;
using qlxtest::HasExactLines;

namespace {

std::string HoldFileExe() { return HostPath(QLX_HOLD_FILE_EXE); }

class InstallerFileUtilTest : public testing::Test {
protected:
    void SetUp() override { StartTraceLog(); }
};

// Holds a file open from another process until the object goes.
class FileHolder {
public:
    FileHolder(const ScratchDir& scratch, const std::string& strMode, const std::string& strPath)
        : m_strReady(scratch / ("ready-" + strMode)),
          m_process("\"" + HoldFileExe() + "\" " + strMode + " \"" + strPath + "\" \"" + m_strReady + "\"")
    {
        for (int i = 0; i < 200 && !FileExists(m_strReady); ++i) {
            Sleep(25);
        }
    }
    bool Ready() const { return FileExists(m_strReady); }

private:
    std::string m_strReady;
    ChildProcess m_process;
};

}  // namespace

// Error 32 with an older ".old" there: it is replaced by the destination, and the copy is made.
TEST_F(InstallerFileUtilTest, SharingViolationMovesDestinationAside)
{
    ScratchDir scratch;
    const std::string strSource = scratch / "QLUI480.dll";
    const std::string strDest = scratch / "dest.dll";
    ASSERT_TRUE(WriteWholeFile(strSource, "new"));
    ASSERT_TRUE(WriteWholeFile(strDest, "in use"));
    ASSERT_TRUE(WriteWholeFile(strDest + ".old", "older"));
    {
        FileHolder holder(scratch, "share-delete", strDest);
        ASSERT_TRUE(holder.Ready());
        SetLastError(0xdeadbeef);
        ASSERT_FALSE(CopyFileA(strSource.c_str(), strDest.c_str(), FALSE));
        const DWORD dwError = GetLastError();
        ASSERT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), dwError);

        EXPECT_TRUE(CopyFileWithFallback(strSource.c_str(), strDest.c_str(), dwError));

        EXPECT_EQ("new", ReadWholeFile(strDest));
        EXPECT_EQ("in use", ReadWholeFile(strDest + ".old"));
    }
    EXPECT_TRUE(HasExactLines({"ERROR_SHARING_VIOLATION HANDLER", "strDest : " + strDest,
                               "strDestWithOldExt : " + strDest + ".old"}));
}

// Error 5 without a destination: no move, no move lines; the copy is tried once more.
TEST_F(InstallerFileUtilTest, AccessDeniedWithoutDestinationCopiesAgain)
{
    ScratchDir scratch;
    const std::string strSource = scratch / "src.ini";
    const std::string strDest = scratch / "dst.ini";
    ASSERT_TRUE(WriteWholeFile(strSource, "settings"));

    EXPECT_TRUE(CopyFileWithFallback(strSource.c_str(), strDest.c_str(), ERROR_ACCESS_DENIED));

    EXPECT_EQ("settings", ReadWholeFile(strDest));
    EXPECT_FALSE(FileExists(strDest + ".old"));
    EXPECT_TRUE(HasExactLines({"ERROR_ACCESS_DENIED HANDLER"}));
}

// Any other error: the three lines and no second copy.
TEST_F(InstallerFileUtilTest, OtherErrorsOnlyTrace)
{
    for (DWORD dwError : {DWORD{2}, DWORD{3}, DWORD{0}, DWORD{112}}) {
        SCOPED_TRACE(dwError);
        StartTraceLog();
        ScratchDir scratch;
        const std::string strDest = scratch / "dst.dll";
        ASSERT_TRUE(WriteWholeFile(strDest, "kept"));
        auto copies = FailCall<decltype(&CopyFileA)>("kernel32.dll", "CopyFileA", 0, 0, FALSE);

        EXPECT_FALSE(CopyFileWithFallback("C:\\missing\\src.dll", strDest.c_str(), dwError));

        EXPECT_EQ(0, copies.Calls());
        EXPECT_EQ("kept", ReadWholeFile(strDest));
        EXPECT_TRUE(HasExactLines({"COPYFILE ERROR, SRC : C:\\missing\\src.dll ",
                                   "ERROR CODE : " + std::to_string(dwError) + " ",
                                   "COPYFILE ERROR, DES : " + strDest + " "}));
    }
}

// The second copy failing: its three lines with its own error; still true.
TEST_F(InstallerFileUtilTest, SecondCopyFailureIsTraced)
{
    ScratchDir scratch;
    const std::string strSource = scratch / "gone.dll";
    const std::string strDest = scratch / "dst.dll";
    ASSERT_TRUE(WriteWholeFile(strDest, "old content"));

    EXPECT_TRUE(CopyFileWithFallback(strSource.c_str(), strDest.c_str(), ERROR_SHARING_VIOLATION));

    EXPECT_EQ("old content", ReadWholeFile(strDest + ".old"));
    EXPECT_TRUE(HasExactLines({"ERROR_SHARING_VIOLATION HANDLER", "strDest : " + strDest,
                               "strDestWithOldExt : " + strDest + ".old", "CopyFile Error : " + strSource + " ",
                               "Error Code : (2) ", "CopyFile Error : " + strDest + " "}));
}

// A destination too long for its ".old" name is not moved to a cut name.
TEST_F(InstallerFileUtilTest, OverlongDestinationIsNotMoved)
{
    const std::string strDest = "C:\\" + std::string(400, 'd');
    EXPECT_TRUE(CopyFileWithFallback("C:\\nothing.dll", strDest.c_str(), ERROR_SHARING_VIOLATION));
    const std::vector<std::string> lines = qlxtest::TraceLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("ERROR_SHARING_VIOLATION HANDLER", lines[0]);
    EXPECT_EQ(0u, qlxtest::CountLinesStartingWith("strDest"));
}

namespace {

// What one CreateDirectoryA call was given.
struct DirCall {
    std::string strPath;
    bool bAttributes = false;
    DWORD nLength = 0;
    BOOL bInherit = FALSE;
    bool bDaclPresent = false;
    bool bDaclDefaulted = true;
    std::string strDacl;
};

DirCall DescribeCall(LPCSTR pszPath, LPSECURITY_ATTRIBUTES pAttributes)
{
    DirCall call;
    call.strPath = pszPath;
    if (pAttributes == nullptr) {
        return call;
    }
    call.bAttributes = true;
    call.nLength = pAttributes->nLength;
    call.bInherit = pAttributes->bInheritHandle;
    BOOL bPresent = FALSE, bDefaulted = TRUE;
    PACL pDacl = nullptr;
    if (GetSecurityDescriptorDacl(pAttributes->lpSecurityDescriptor, &bPresent, &pDacl, &bDefaulted)) {
        call.bDaclPresent = bPresent != FALSE;
        call.bDaclDefaulted = bDefaulted != FALSE;
    }
    LPSTR pszSddl = nullptr;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorA(pAttributes->lpSecurityDescriptor, SDDL_REVISION_1,
                                                             DACL_SECURITY_INFORMATION, &pszSddl, nullptr)) {
        call.strDacl = pszSddl;
        LocalFree(pszSddl);
    }
    return call;
}

}  // namespace

// An existing folder with files is emptied, removed and made again. Administrators and SYSTEM
// may change it, everyone else only read and run what is in it, inherited by files and subfolders
// and not widened by the parent. Wine keeps no access list on folders, so the descriptor is
// checked where it is handed to the system.
TEST_F(InstallerFileUtilTest, CreateDirectoryWithSAReplacesExistingFolder)
{
    ScratchDir scratch;
    const std::string strFolder = scratch / "QLX-480";
    ASSERT_TRUE(CreateDirectoryA(strFolder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((strFolder + "\\sub").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(strFolder + "\\QLX480_Uninstaller.exe", "exe"));
    ASSERT_TRUE(WriteWholeFile(strFolder + "\\sub\\QLX480_Config.KVN", "ini"));
    SetFileAttributesA((strFolder + "\\sub\\QLX480_Config.KVN").c_str(), FILE_ATTRIBUTE_READONLY);

    std::vector<DirCall> calls;
    auto hook = Replace<decltype(&CreateDirectoryA)>("kernel32.dll", "CreateDirectoryA",
        [&](auto original, LPCSTR pszPath, LPSECURITY_ATTRIBUTES pAttributes) {
            calls.push_back(DescribeCall(pszPath, pAttributes));
            return original(pszPath, pAttributes);
        });

    EXPECT_NE(FALSE, CreateDirectoryWithSA(strFolder.c_str()));

    EXPECT_TRUE(DirectoryExists(strFolder));
    EXPECT_FALSE(FileExists(strFolder + "\\QLX480_Uninstaller.exe"));
    EXPECT_FALSE(DirectoryExists(strFolder + "\\sub"));
    ASSERT_EQ(2u, calls.size());
    for (const DirCall& call : calls) {
        EXPECT_EQ(strFolder, call.strPath);
        ASSERT_TRUE(call.bAttributes);
        EXPECT_EQ(sizeof(SECURITY_ATTRIBUTES), call.nLength);
        EXPECT_TRUE(call.bInherit);
        EXPECT_TRUE(call.bDaclPresent);
        EXPECT_FALSE(call.bDaclDefaulted);
        // Protected; allow, object and container inherit: full control to Administrators and
        // SYSTEM, read and execute (0x1200a9) to Everyone.
        EXPECT_EQ("D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;WD)", call.strDacl);
    }
    EXPECT_TRUE(HasExactLines({"CreateDirectoryWithSA BEGIN", "CreateDirectoryWithSA END"}));
}

// A new folder is made at the first call; the result says so.
TEST_F(InstallerFileUtilTest, CreateDirectoryWithSANewFolder)
{
    ScratchDir scratch;
    const std::string strFolder = scratch / "fresh";
    auto creates = Replace<decltype(&CreateDirectoryA)>("kernel32.dll", "CreateDirectoryA",
        [](auto original, LPCSTR pszPath, LPSECURITY_ATTRIBUTES pAttributes) { return original(pszPath, pAttributes); });
    EXPECT_NE(FALSE, CreateDirectoryWithSA(strFolder.c_str()));
    EXPECT_EQ(1, creates.Calls());
    EXPECT_TRUE(DirectoryExists(strFolder));
}

// Faults: no Everyone identifier (traced; the folder is still made, with its parent's default
// security rather than a descriptor without a list, which would open it to everyone); the protected folder refused
// twice (default security at the third call); every call refused (result 0).
TEST_F(InstallerFileUtilTest, CreateDirectoryWithSAFallbacks)
{
    {
        ScratchDir scratch;
        auto sid = FailCall<decltype(&AllocateAndInitializeSid)>("advapi32.dll", "AllocateAndInitializeSid", 1234, 1,
                                                                 FALSE);
        std::vector<DirCall> calls;
        auto hook = Replace<decltype(&CreateDirectoryA)>("kernel32.dll", "CreateDirectoryA",
            [&](auto original, LPCSTR pszPath, LPSECURITY_ATTRIBUTES pAttributes) {
                calls.push_back(DescribeCall(pszPath, pAttributes));
                return original(pszPath, pAttributes);
            });
        EXPECT_NE(FALSE, CreateDirectoryWithSA((scratch / "nosid").c_str()));
        EXPECT_TRUE(DirectoryExists(scratch / "nosid"));
        ASSERT_EQ(1u, calls.size());
        EXPECT_FALSE(calls[0].bAttributes);
        EXPECT_TRUE(HasExactLines({"CreateDirectoryWithSA BEGIN", "Fail to get Everyone SID. (1234)",
                                   "CreateDirectoryWithSA END"}));
    }
    {
        ScratchDir scratch;
        std::vector<DirCall> calls;
        int nRefused = 0;
        auto hook = Replace<decltype(&CreateDirectoryA)>("kernel32.dll", "CreateDirectoryA",
            [&](auto original, LPCSTR pszPath, LPSECURITY_ATTRIBUTES pAttributes) -> BOOL {
                calls.push_back(DescribeCall(pszPath, pAttributes));
                if (nRefused < 2) {
                    ++nRefused;
                    SetLastError(ERROR_ACCESS_DENIED);
                    return FALSE;
                }
                return original(pszPath, pAttributes);
            });
        EXPECT_NE(FALSE, CreateDirectoryWithSA((scratch / "plain").c_str()));
        ASSERT_EQ(3u, calls.size());
        EXPECT_TRUE(calls[0].bAttributes);
        EXPECT_TRUE(calls[1].bAttributes);
        EXPECT_FALSE(calls[2].bAttributes);
        EXPECT_TRUE(DirectoryExists(scratch / "plain"));
    }
    {
        ScratchDir scratch;
        auto hook = FailCall<decltype(&CreateDirectoryA)>("kernel32.dll", "CreateDirectoryA", ERROR_PATH_NOT_FOUND,
                                                          -1, FALSE);
        EXPECT_EQ(FALSE, CreateDirectoryWithSA((scratch / "never").c_str()));
        EXPECT_EQ(3, hook.Calls());
    }
}
