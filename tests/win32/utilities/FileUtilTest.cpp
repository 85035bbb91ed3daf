// File utilities of both programs against Wine's file system.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FileUtil.h"
#include "Testkit.h"
#include "TraceLines.h"
#include "TraceLog.h"

using namespace qlx::testkit;

namespace {

void MakeFile(const std::string& strPath, bool bReadOnly = false)
{
    ASSERT_TRUE(WriteWholeFile(strPath, "data of " + strPath)) << strPath;
    if (bReadOnly) {
        SetFileAttributesA(strPath.c_str(), FILE_ATTRIBUTE_READONLY);
    }
}

void MakeFolder(const std::string& strPath, bool bReadOnly = false)
{
    ASSERT_TRUE(CreateDirectoryA(strPath.c_str(), nullptr)) << strPath;
    if (bReadOnly) {
        SetFileAttributesA(strPath.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
    }
}

// root\a.txt (read-only), root\sub (read-only)\b.txt (read-only), root\sub\deep\c.txt,
// root\empty, root\d.bin
void MakeTree(const std::string& strRoot)
{
    MakeFolder(strRoot);
    MakeFile(strRoot + "\\a.txt", true);
    MakeFolder(strRoot + "\\sub");
    MakeFolder(strRoot + "\\sub\\deep");
    MakeFile(strRoot + "\\sub\\b.txt", true);
    MakeFile(strRoot + "\\sub\\deep\\c.txt");
    MakeFolder(strRoot + "\\empty");
    MakeFile(strRoot + "\\d.bin");
    SetFileAttributesA((strRoot + "\\sub").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
    SetFileAttributesA((strRoot + "\\sub\\deep").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
    SetFileAttributesA(strRoot.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
}

std::string HoldFileExe() { return HostPath(QLX_HOLD_FILE_EXE); }

class FileUtilTest : public testing::Test {
protected:
    void SetUp() override { StartTraceLog(); }
};

}  // namespace

// A tree of read-only files and read-only folders goes completely, with or without the trailing
// separator, and the last removal names the folder without it.
TEST_F(FileUtilTest, DeletesReadOnlyTreeCompletely)
{
    for (const char* pszTail : {"", "\\"}) {
        SCOPED_TRACE(std::string("tail \"") + pszTail + "\"");
        ScratchDir scratch;
        const std::string strRoot = scratch / "tree";
        MakeTree(strRoot);

        std::vector<std::string> removed;
        auto hook = Replace<decltype(&RemoveDirectoryA)>("kernel32.dll", "RemoveDirectoryA",
            [&](auto original, LPCSTR pszPath) {
                removed.push_back(pszPath);
                return original(pszPath);
            });
        DeleteDirectoryTree((strRoot + pszTail).c_str());

        EXPECT_FALSE(DirectoryExists(strRoot));
        ASSERT_FALSE(removed.empty());
        EXPECT_EQ(strRoot, removed.back());
        EXPECT_THAT(removed, testing::Contains(strRoot + "\\sub\\deep"));
        EXPECT_TRUE(qlxtest::TraceLines().empty());
    }
}

// A file held open by another program stays with the folders above it; everything else goes.
TEST_F(FileUtilTest, LockedFileKeepsOnlyItsFolders)
{
    ScratchDir scratch;
    const std::string strRoot = scratch / "tree";
    MakeTree(strRoot);
    MakeFolder(strRoot + "\\sub\\other");
    MakeFile(strRoot + "\\sub\\other\\e.txt");
    const std::string strLocked = strRoot + "\\sub\\deep\\c.txt";
    const std::string strReady = scratch / "ready";
    {
        ChildProcess holder("\"" + HoldFileExe() + "\" lock \"" + strLocked + "\" \"" + strReady + "\"");
        ASSERT_TRUE(holder.Started());
        for (int i = 0; i < 200 && !FileExists(strReady); ++i) {
            Sleep(25);
        }
        ASSERT_TRUE(FileExists(strReady));
        ASSERT_FALSE(DeleteFileA(strLocked.c_str()));
        ASSERT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());

        DeleteDirectoryTree(strRoot.c_str());

        EXPECT_TRUE(FileExists(strLocked));
        EXPECT_TRUE(DirectoryExists(strRoot + "\\sub\\deep"));
        EXPECT_TRUE(DirectoryExists(strRoot + "\\sub"));
        EXPECT_TRUE(DirectoryExists(strRoot));
        for (const char* pszGone : {"\\a.txt", "\\d.bin", "\\empty", "\\sub\\b.txt", "\\sub\\other"}) {
            EXPECT_FALSE(FileExists(strRoot + pszGone) || DirectoryExists(strRoot + pszGone)) << pszGone;
        }
    }
    EXPECT_TRUE(qlxtest::TraceLines().empty());
}

// Missing, empty, overlong and odd paths: nothing happens beyond the folder named, and no crash.
TEST_F(FileUtilTest, OddPathsAreHarmless)
{
    ScratchDir scratch;
    const std::string strKeep = scratch / "keep.txt";
    MakeFile(strKeep);
    const std::string strDeep = scratch / std::string(300, 'x');
    const std::string strCases[] = {
        scratch / "missing",
        scratch / "missing\\",
        std::string(1000, 'y'),
        strDeep,
        std::string(MAX_PATH - 1, '\\'),
    };
    for (const std::string& strPath : strCases) {
        DeleteDirectoryTree(strPath.c_str());
    }
    DeleteDirectoryTree("");
    DeleteDirectoryTree(nullptr);
    EXPECT_TRUE(FileExists(strKeep));
    EXPECT_TRUE(DirectoryExists(scratch.Path()));
}

// A directory link inside the tree, or as the root itself, is never entered: what it points at
// keeps every file, and the rest of the tree still goes.
TEST_F(FileUtilTest, LinksAreNeverFollowed)
{
    ScratchDir scratch;
    MakeFolder(scratch / "victim");
    MakeFile(scratch / "victim\\precious.txt", true);
    MakeTree(scratch / "tree");
    SetFileAttributesA((scratch / "tree").c_str(), FILE_ATTRIBUTE_DIRECTORY);
    ASSERT_TRUE(MakeDirectoryLink(scratch / "tree\\link", scratch / "victim"));
    ASSERT_TRUE(MakeDirectoryLink(scratch / "rootlink", scratch / "victim"));
    ASSERT_EQ(FILE_ATTRIBUTE_REPARSE_POINT,
              GetFileAttributesA((scratch / "tree\\link").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);

    DeleteDirectoryTree((scratch / "tree").c_str());
    DeleteDirectoryTree((scratch / "rootlink").c_str());

    EXPECT_TRUE(FileExists(scratch / "victim\\precious.txt"));
    EXPECT_EQ(FILE_ATTRIBUTE_READONLY,
              GetFileAttributesA((scratch / "victim\\precious.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(FileExists(scratch / "tree\\a.txt"));
    EXPECT_FALSE(DirectoryExists(scratch / "tree\\sub"));
}

TEST_F(FileUtilTest, LogDeleteFileErrorWritesItsLine)
{
    EXPECT_FALSE(LogDeleteFileError("C:\\windows\\QLX480.dll", ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(LogDeleteFileError("C:\\x", 32));
    EXPECT_TRUE(qlxtest::HasExactLines(
        {"DeleteFile Error : C:\\windows\\QLX480.dll , (2)", "DeleteFile Error : C:\\x , (32)"}));
}
