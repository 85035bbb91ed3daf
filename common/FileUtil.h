// File utilities both programs carry: removal of a folder tree and the trace line of a failed
// file deletion.
#pragma once

#include <windows.h>

// Removes the folder and everything in it, depth first, clearing read-only attributes on the way.
// Links (reparse points) are never entered: a link inside the tree, or a root that is a link, is
// removed as a link where the system allows it, and what it points at stays untouched.
// Reports nothing: whatever cannot be deleted stays, with the folders above it.
void DeleteDirectoryTree(const char* pszPath);

// Traces "DeleteFile Error : <path> , (<error>)". Always false.
bool LogDeleteFileError(const char* pszPath, DWORD dwError);
