// File helpers and the scratch folder.
#include "Testkit.h"

#include <gtest/gtest.h>

#include <string>

using namespace qlx::testkit;

namespace {

TEST(FilesTest, ReadWholeFileKeepsEveryByte)
{
    ScratchDir dir;
    const std::string strBytes("line 1\r\nline\0two\r\n\xff\x80", 20);
    ASSERT_TRUE(WriteWholeFile(dir / "bytes.bin", strBytes));
    EXPECT_EQ(strBytes, ReadWholeFile(dir / "bytes.bin"));

    std::string strBig(200000, 'q');
    strBig[123456] = 'Z';
    ASSERT_TRUE(WriteWholeFile(dir / "big.txt", strBig));
    EXPECT_EQ(strBig, ReadWholeFile(dir / "big.txt"));

    std::string strContent = "stale";
    ASSERT_TRUE(WriteWholeFile(dir / "empty.txt", ""));
    EXPECT_TRUE(ReadWholeFile(dir / "empty.txt", strContent));
    EXPECT_EQ("", strContent);
    strContent = "stale";
    EXPECT_FALSE(ReadWholeFile(dir / "missing.txt", strContent));
    EXPECT_EQ("", strContent);
    EXPECT_EQ("", ReadWholeFile(dir / "missing\\deeper.txt"));
}

TEST(FilesTest, ScratchDirIsFreshAndGoesWithEverythingInIt)
{
    std::string strPath;
    {
        ScratchDir dir;
        ScratchDir other;
        strPath = dir.Path();
        EXPECT_NE(strPath, other.Path());
        EXPECT_EQ(0u, strPath.rfind("C:\\", 0));
        EXPECT_TRUE(DirectoryExists(strPath));
        ASSERT_TRUE(CreateDirectoryA((dir / "sub").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((dir / "sub\\deeper").c_str(), nullptr));
        ASSERT_TRUE(WriteWholeFile(dir / "sub\\deeper\\ro.txt", "read-only"));
        ASSERT_TRUE(SetFileAttributesA((dir / "sub\\deeper\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(WriteWholeFile(dir / "top.txt", "x"));
        EXPECT_TRUE(FileExists(dir / "top.txt"));
        EXPECT_FALSE(FileExists(dir / "sub"));
    }
    EXPECT_FALSE(DirectoryExists(strPath));
}

}  // namespace
