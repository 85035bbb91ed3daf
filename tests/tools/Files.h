// File helpers for tests.
#pragma once

#include <string>
#include <vector>

namespace qlx::testkit {

// The whole content of a file, bytes as they are; empty when it cannot be read.
std::string ReadWholeFile(const std::string& strPath);
// Same, telling a missing file apart from an empty one.
bool ReadWholeFile(const std::string& strPath, std::string& strContent);
// The messages of a trace log in order: each line without its "hh:mm:ss: " stamp, the empty
// lines of the step frames left out.
std::vector<std::string> TraceMessages(const std::string& strPath);

bool WriteWholeFile(const std::string& strPath, const std::string& strContent);
bool FileExists(const std::string& strPath);
bool DirectoryExists(const std::string& strPath);
// Removes a folder with everything in it (read-only files too). True when it is gone.
bool RemoveTree(const std::string& strPath);

// A directory link at strLink (its folder must exist) pointing at strTarget, both Windows paths
// without blanks: a Unix symbolic link made by the host's ln, which Wine shows as
// FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT. True when the link is there.
bool MakeDirectoryLink(const std::string& strLink, const std::string& strTarget);
// Removes such a link (not what it points at); true when it is gone.
bool RemoveDirectoryLink(const std::string& strLink);

// A folder C:\qlx-scratch-<pid>-<n> made for one test and removed with everything
// in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The folder, without a trailing backslash.
    const std::string& Path() const { return m_strPath; }
    // Path() + "\\" + name.
    std::string operator/(const std::string& strName) const { return m_strPath + "\\" + strName; }

private:
    std::string m_strPath;
};

}  // namespace qlx::testkit
