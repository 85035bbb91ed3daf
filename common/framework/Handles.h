// Owning wrappers for the Windows handles the programs open: each closes its handle in the
// destructor, so every step releases what it opened on every way out.
#pragma once

#include <windows.h>
#include <setupapi.h>
#include <winspool.h>

namespace fw {

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept : m_h(Traits::Invalid()) {}
    explicit UniqueHandle(Type h) noexcept : m_h(h) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_h(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }

    Type Get() const noexcept { return m_h; }
    bool IsValid() const noexcept { return m_h != Traits::Invalid(); }
    explicit operator bool() const noexcept { return IsValid(); }

    // Address for calls that return the handle through an out parameter; closes the old one.
    Type* Receive() noexcept
    {
        Reset();
        return &m_h;
    }

    Type Release() noexcept
    {
        Type h = m_h;
        m_h = Traits::Invalid();
        return h;
    }

    void Reset(Type h = Traits::Invalid()) noexcept
    {
        if (IsValid()) {
            Traits::Close(m_h);
        }
        m_h = h;
    }

private:
    Type m_h;
};

struct KernelHandleTraits {  // process, thread, file: NULL means none
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::CloseHandle(h); }
};

struct FileHandleTraits {  // CreateFile and friends: INVALID_HANDLE_VALUE means none
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::FindClose(h); }
};

struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::RegCloseKey(h); }
};

struct PrinterTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::ClosePrinter(h); }
};

struct InfTraits {
    using Type = HINF;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::SetupCloseInfFile(h); }
};

struct DevInfoTraits {
    using Type = HDEVINFO;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::SetupDiDestroyDeviceInfoList(h); }
};

struct LocalMemoryTraits {
    using Type = HLOCAL;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::LocalFree(h); }
};

using ScopedHandle = UniqueHandle<KernelHandleTraits>;
using ScopedFile = UniqueHandle<FileHandleTraits>;
using ScopedFind = UniqueHandle<FindHandleTraits>;
using ScopedRegKey = UniqueHandle<RegKeyTraits>;
using ScopedPrinter = UniqueHandle<PrinterTraits>;
using ScopedInf = UniqueHandle<InfTraits>;
using ScopedDevInfo = UniqueHandle<DevInfoTraits>;
using ScopedLocal = UniqueHandle<LocalMemoryTraits>;

}  // namespace fw
