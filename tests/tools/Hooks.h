// Typed hooks on imports of the test executable, built on ScopedImportHook.
//
//   auto f = FailCall<decltype(&EnumPrintersA)>("winspool.drv", "EnumPrintersA",
//                                               /*error*/ 1722, /*times*/ 1, /*value*/ FALSE);
//   auto r = Replace<decltype(&GetFileAttributesA)>("kernel32.dll", "GetFileAttributesA",
//       [&](auto original, LPCSTR name) { seen.push_back(name); return original(name); });
//
// Each hook gets its own thunk: a function generated per (signature, slot index)
// that forwards to the hook's std::function. A signature has kSlotsPerSignature
// slots, so that many hooks of one signature can be alive at once. Hooks of one
// import stack: the newest sees the call first and its "original" is the hook
// below it; they may be released in any order.
#pragma once

#include "ImportHook.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

namespace qlx::testkit {

constexpr int kSlotsPerSignature = 8;

namespace detail {

template <typename Sig>
struct FnTraits;

template <typename Sig>
struct HookState {
    typename FnTraits<Sig>::Function fn;
    std::atomic<void*> original{nullptr};  // kept current by the ScopedImportHook
    std::atomic<long> calls{0};
};

template <typename Sig>
struct SlotPool {
    struct Slot {
        std::shared_ptr<HookState<Sig>> state;
        std::atomic<void*> original{nullptr};
        bool bUsed = false;
    };
    static inline Slot slots[kSlotsPerSignature];
    static inline std::mutex mutex;

    static int Acquire()
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (int i = 0; i < kSlotsPerSignature; ++i) {
            if (!slots[i].bUsed) {
                slots[i].bUsed = true;
                return i;
            }
        }
        return -1;
    }
    static void Release(int nSlot)
    {
        std::lock_guard<std::mutex> lock(mutex);
        slots[nSlot].bUsed = false;
    }
};

// One specialisation per calling convention. On x86_64 there is only one, and
// WINAPI functions have the same type as plain ones.
#define QLX_TESTKIT_FN_TRAITS(CC)                                                                  \
    template <typename R, typename... A>                                                           \
    struct FnTraits<R(CC*)(A...)> {                                                                \
        using Sig = R(CC*)(A...);                                                                  \
        using Result = R;                                                                          \
        using Function = std::function<R(A...)>;                                                   \
        template <int N>                                                                           \
        static R CC Thunk(A... args)                                                               \
        {                                                                                          \
            auto& slot = SlotPool<Sig>::slots[N];                                                  \
            std::shared_ptr<HookState<Sig>> state = std::atomic_load(&slot.state);                 \
            if (!state) {                                                                          \
                return reinterpret_cast<Sig>(slot.original.load())(args...);                       \
            }                                                                                      \
            ++state->calls;                                                                        \
            return state->fn(args...);                                                             \
        }                                                                                          \
        template <int... N>                                                                        \
        static Sig ThunkAt(int nSlot, std::integer_sequence<int, N...>)                            \
        {                                                                                          \
            static const Sig table[] = {&Thunk<N>...};                                             \
            return table[nSlot];                                                                   \
        }                                                                                          \
        static Sig ThunkFor(int nSlot)                                                             \
        {                                                                                          \
            return ThunkAt(nSlot, std::make_integer_sequence<int, kSlotsPerSignature>());          \
        }                                                                                          \
        template <typename F>                                                                      \
        static Function Bind(F f, HookState<Sig>* pState)                                          \
        {                                                                                          \
            if constexpr (std::is_invocable_v<F&, Sig, A...>) {                                    \
                return [f, pState](A... args) mutable -> R {                                      \
                    return f(reinterpret_cast<Sig>(pState->original.load()), args...);          \
                };                                                                               \
            } else {                                                                               \
                static_assert(std::is_invocable_v<F&, A...>,                                       \
                              "the replacement must take the import's arguments, "                 \
                              "optionally preceded by the original function");                     \
                return Function(std::move(f));                                                     \
            }                                                                                      \
        }                                                                                          \
    };

QLX_TESTKIT_FN_TRAITS()
#if !defined(_WIN64)
QLX_TESTKIT_FN_TRAITS(__stdcall)
#endif
#undef QLX_TESTKIT_FN_TRAITS

}  // namespace detail

// A live replacement of one import. Move-only; restores the import when destroyed.
template <typename Sig>
class Hook {
    using Traits = detail::FnTraits<Sig>;
    using State = detail::HookState<Sig>;
    using Pool = detail::SlotPool<Sig>;

public:
    template <typename F>
    Hook(const char* dll, const char* function, F replacement)
    {
        m_nSlot = Pool::Acquire();
        if (m_nSlot < 0) {
            throw std::runtime_error(std::string("Hook: more than ") + std::to_string(kSlotsPerSignature) +
                                     " live hooks of the signature of " + function);
        }
        auto state = std::make_shared<State>();
        state->fn = Traits::Bind(std::move(replacement), state.get());
        auto& slot = Pool::slots[m_nSlot];
        std::atomic_store(&slot.state, state);
        m_state = state;
        try {
            m_pImport = std::make_unique<ScopedImportHook>(
                dll, function, reinterpret_cast<void*>(Traits::ThunkFor(m_nSlot)), &state->original);
        } catch (...) {
            Free();
            throw;
        }
        slot.original.store(state->original.load());
    }
    ~Hook() { Free(); }
    Hook(Hook&& other) noexcept
        : m_nSlot(std::exchange(other.m_nSlot, -1)),
          m_state(std::move(other.m_state)),
          m_pImport(std::move(other.m_pImport))
    {
    }
    Hook& operator=(Hook&&) = delete;
    Hook(const Hook&) = delete;
    Hook& operator=(const Hook&) = delete;

    // Calls that reached the hook so far (failed and passed-through ones alike).
    long Calls() const { return m_state ? m_state->calls.load() : 0; }
    void ResetCalls() { m_state->calls = 0; }
    // The real function.
    Sig Original() const { return reinterpret_cast<Sig>(m_state->original.load()); }

private:
    void Free()
    {
        if (m_nSlot < 0) {
            return;
        }
        m_pImport.reset();
        std::atomic_store(&Pool::slots[m_nSlot].state, std::shared_ptr<State>());
        Pool::Release(m_nSlot);
        m_nSlot = -1;
    }

    int m_nSlot = -1;
    std::shared_ptr<State> m_state;
    std::unique_ptr<ScopedImportHook> m_pImport;
};

// Substitutes `replacement` for the import. It takes the import's arguments,
// optionally preceded by the real function: [](auto original, A... args) {...}.
template <typename Sig, typename F>
Hook<Sig> Replace(const char* dll, const char* function, F replacement)
{
    return Hook<Sig>(dll, function, std::move(replacement));
}

// The first `times` calls (every call when `times` is negative) return `value`
// with the last error set to `error`; later calls go to the real function.
template <typename Sig>
Hook<Sig> FailCall(const char* dll, const char* function, DWORD error, int times,
                   typename detail::FnTraits<Sig>::Result value)
{
    auto pFailed = std::make_shared<std::atomic<int>>(0);
    return Hook<Sig>(dll, function, [=](Sig original, auto... args) {
        if (times < 0 || pFailed->fetch_add(1) < times) {
            SetLastError(error);
            return value;
        }
        return original(args...);
    });
}

}  // namespace qlx::testkit
