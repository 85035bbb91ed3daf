// Import-address-table patching of the test executable.
//
// Product code is linked statically into the test executable, so every Windows
// call it makes is an indirect call through one slot of the executable's import
// address table. Replacing that slot redirects the call for the whole process;
// restoring it gives the real function back. Calls made inside system DLLs are
// not affected.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

namespace qlx::testkit {

// Every IAT slot of the main module that imports `function` from `dll`.
// `dll` is compared case-insensitively ("kernel32.dll" matches "KERNEL32.dll").
// Empty when the executable does not import that function.
std::vector<void**> FindImportSlots(const char* dll, const char* function);

// True when the main module imports `function` from `dll`.
bool HasImport(const char* dll, const char* function);

// Writes `value` into an IAT slot (unprotects and reprotects the page).
void WriteImportSlot(void** slot, void* value);

// Replaces every slot of one import for its lifetime. Throws std::runtime_error
// (after printing the reason) when the import is not there: a hook that does not
// apply would make a test pass for the wrong reason.
//
// Hooks of one import stack: the newest sees the call first, and its Original()
// is the hook below it. A hook released out of order is unlinked from the stack
// (the one above it then forwards to the one below). `pOriginalSink`, when given,
// always holds the current Original().
class ScopedImportHook {
public:
    ScopedImportHook(const char* dll, const char* function, void* replacement,
                     std::atomic<void*>* pOriginalSink = nullptr);
    ~ScopedImportHook();
    ScopedImportHook(const ScopedImportHook&) = delete;
    ScopedImportHook& operator=(const ScopedImportHook&) = delete;

    // The address the slots held before the hook: the real function.
    void* Original() const { return m_pOriginal; }
    const std::string& Name() const { return m_strName; }

private:
    void SetOriginal(void* pOriginal);

    std::string m_strName;
    std::vector<void**> m_slots;
    void* m_pOriginal = nullptr;
    std::atomic<void*>* m_pOriginalSink = nullptr;
};

}  // namespace qlx::testkit
