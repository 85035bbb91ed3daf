#include "FailingAllocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int> g_nSkip{0};
std::atomic<int> g_nFail{0};
std::atomic<int> g_nSeen{0};

void* AllocateArray(std::size_t cb)
{
    return std::malloc(cb != 0 ? cb : 1);
}

} // namespace

CFailNothrowArrayNew::CFailNothrowArrayNew(int nSkip, int nFail)
{
    g_nSeen = 0;
    g_nSkip = nSkip;
    g_nFail = nFail;
}

CFailNothrowArrayNew::~CFailNothrowArrayNew()
{
    g_nSkip = 0;
    g_nFail = 0;
}

int CFailNothrowArrayNew::Seen() const
{
    return g_nSeen;
}

// All array forms go through malloc/free so that the sanitizer sees matching pairs.
void* operator new[](std::size_t cb, const std::nothrow_t&) noexcept
{
    ++g_nSeen;
    if (g_nSkip > 0) {
        --g_nSkip;
    } else if (g_nFail > 0) {
        --g_nFail;
        return nullptr;
    }
    return AllocateArray(cb);
}

void* operator new[](std::size_t cb)
{
    void* p = AllocateArray(cb);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
