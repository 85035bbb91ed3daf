#include "ImportHook.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>

namespace qlx::testkit {
namespace {

// VirtualProtect is looked up once so that hooking it cannot break the hook itself.
using VirtualProtectFn = BOOL(WINAPI*)(LPVOID, SIZE_T, DWORD, PDWORD);

VirtualProtectFn RealVirtualProtect()
{
    static const VirtualProtectFn pfn = reinterpret_cast<VirtualProtectFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "VirtualProtect")));
    return pfn;
}

bool IsOrdinalThunk(ULONG_PTR value)
{
#ifdef _WIN64
    return (value & IMAGE_ORDINAL_FLAG64) != 0;
#else
    return (value & IMAGE_ORDINAL_FLAG32) != 0;
#endif
}

// Address of the real export, used when the name table is missing or the
// slot was bound by ordinal.
void* RealExport(const char* dll, const char* function)
{
    HMODULE hModule = GetModuleHandleA(dll);
    if (hModule == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void*>(GetProcAddress(hModule, function));
}

// Live hooks per import (keyed by its first IAT slot), oldest first.
std::mutex& RegistryMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::map<void**, std::vector<ScopedImportHook*>>& Registry()
{
    static std::map<void**, std::vector<ScopedImportHook*>> registry;
    return registry;
}

}  // namespace

std::vector<void**> FindImportSlots(const char* dll, const char* function)
{
    std::vector<void**> slots;
    if (dll == nullptr || function == nullptr) {
        return slots;
    }
    auto* pBase = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* pDos = reinterpret_cast<IMAGE_DOS_HEADER*>(pBase);
    auto* pNt = reinterpret_cast<IMAGE_NT_HEADERS*>(pBase + pDos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0 || dir.Size == 0) {
        return slots;
    }
    void* pReal = nullptr;
    bool bRealLooked = false;

    // A DLL may appear in more than one descriptor (one per import library): patch them all.
    for (auto* pDesc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(pBase + dir.VirtualAddress);
         pDesc->Name != 0; ++pDesc) {
        const char* pszDll = reinterpret_cast<const char*>(pBase + pDesc->Name);
        if (_stricmp(pszDll, dll) != 0) {
            continue;
        }
        auto* pIat = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pDesc->FirstThunk);
        auto* pNames = pDesc->OriginalFirstThunk != 0
                           ? reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pDesc->OriginalFirstThunk)
                           : nullptr;
        for (size_t i = 0; pIat[i].u1.Function != 0; ++i) {
            bool bMatch = false;
            if (pNames != nullptr && !IsOrdinalThunk(pNames[i].u1.Ordinal)) {
                auto* pByName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(pBase + pNames[i].u1.AddressOfData);
                bMatch = std::strcmp(reinterpret_cast<const char*>(pByName->Name), function) == 0;
            } else {
                if (!bRealLooked) {
                    pReal = RealExport(dll, function);
                    bRealLooked = true;
                }
                bMatch = pReal != nullptr && reinterpret_cast<void*>(pIat[i].u1.Function) == pReal;
            }
            if (bMatch) {
                slots.push_back(reinterpret_cast<void**>(&pIat[i].u1.Function));
            }
        }
    }
    return slots;
}

bool HasImport(const char* dll, const char* function)
{
    return !FindImportSlots(dll, function).empty();
}

void WriteImportSlot(void** slot, void* value)
{
    DWORD dwOld = 0;
    VirtualProtectFn pfnProtect = RealVirtualProtect();
    if (!pfnProtect(slot, sizeof(void*), PAGE_READWRITE, &dwOld)) {
        std::fprintf(stderr, "ImportHook: VirtualProtect failed, error %lu\n", GetLastError());
        std::fflush(stderr);
        std::abort();
    }
    InterlockedExchangePointer(slot, value);
    DWORD dwDummy = 0;
    pfnProtect(slot, sizeof(void*), dwOld, &dwDummy);
    FlushInstructionCache(GetCurrentProcess(), slot, sizeof(void*));
}

ScopedImportHook::ScopedImportHook(const char* dll, const char* function, void* replacement,
                                   std::atomic<void*>* pOriginalSink)
    : m_strName(std::string(dll ? dll : "(null)") + "!" + (function ? function : "(null)")),
      m_slots(FindImportSlots(dll, function)),
      m_pOriginalSink(pOriginalSink)
{
    if (m_slots.empty()) {
        std::string strMessage = "ImportHook: the test executable does not import " + m_strName +
                                 "; the hook cannot apply (call it from the test once, or check the DLL name)";
        std::fprintf(stderr, "%s\n", strMessage.c_str());
        std::fflush(stderr);
        throw std::runtime_error(strMessage);
    }
    std::lock_guard<std::mutex> lock(RegistryMutex());
    SetOriginal(*m_slots.front());
    for (void** slot : m_slots) {
        WriteImportSlot(slot, replacement);
    }
    Registry()[m_slots.front()].push_back(this);
}

ScopedImportHook::~ScopedImportHook()
{
    std::lock_guard<std::mutex> lock(RegistryMutex());
    std::vector<ScopedImportHook*>& stack = Registry()[m_slots.front()];
    size_t nAt = 0;
    while (nAt < stack.size() && stack[nAt] != this) {
        ++nAt;
    }
    if (nAt + 1 >= stack.size()) {
        // The newest hook: the slots go back to what they held before it.
        for (void** slot : m_slots) {
            WriteImportSlot(slot, m_pOriginal);
        }
    } else {
        // Released out of order: the hook above now forwards past this one.
        stack[nAt + 1]->SetOriginal(m_pOriginal);
    }
    if (nAt < stack.size()) {
        stack.erase(stack.begin() + static_cast<std::ptrdiff_t>(nAt));
    }
    if (stack.empty()) {
        Registry().erase(m_slots.front());
    }
}

void ScopedImportHook::SetOriginal(void* pOriginal)
{
    m_pOriginal = pOriginal;
    if (m_pOriginalSink != nullptr) {
        m_pOriginalSink->store(pOriginal);
    }
}

}  // namespace qlx::testkit
