#include "Mcallbk.h"

#include "Critsect.h"
#include "Mcallbkw.h"

#include <cstdint>
#include <new>

namespace {

struct Slot {
    alignas(std::max_align_t) unsigned char bytes[64];
};

Slot g_pool[MCallback::kPoolSize] ORB_FIXED_DATA;
int g_useCount[MCallback::kPoolSize] ORB_FIXED_DATA = {};
int g_inUse ORB_FIXED_DATA = 0;
unsigned g_sequence ORB_FIXED_DATA = 0;
unsigned g_nextExpected ORB_FIXED_DATA = 1;
// Left off: the timer thread must never reach the heap.
const bool g_heapFallback = false;

MCriticalSection g_poolLock ORB_FIXED_DATA;

ORB_FIXED_CODE MCriticalSection& PoolLock() { return g_poolLock; }

int SlotOf(const void* pointer)
{
    auto p = reinterpret_cast<uintptr_t>(pointer);
    auto first = reinterpret_cast<uintptr_t>(&g_pool[0]);
    if (p < first || p >= first + sizeof g_pool || (p - first) % sizeof(Slot) != 0)
        return -1;
    return int((p - first) / sizeof(Slot));
}

} // namespace

static_assert(sizeof(MCallback) <= sizeof(Slot), "a callback record must fit its pool slot");

void* MCallback::operator new(size_t size) noexcept
{
    if (size > sizeof(Slot))
        return nullptr;
    MCriticalSection::Lock lock(PoolLock());
    for (int i = 0; i < kPoolSize; ++i)
        if (g_useCount[i] == 0) {
            ++g_useCount[i];
            ++g_inUse;
            return &g_pool[i];
        }
    return g_heapFallback ? ::operator new(size, std::nothrow) : nullptr;
}

void MCallback::operator delete(void* pointer) noexcept
{
    if (!pointer)
        return;
    int slot = SlotOf(pointer);
    if (slot < 0) {
        ::operator delete(pointer);
        return;
    }
    MCriticalSection::Lock lock(PoolLock());
    if (g_useCount[slot] > 0) {
        --g_useCount[slot];
        --g_inUse;
    }
}

BOOL MCallback::GIsFull()
{
    MCriticalSection::Lock lock(PoolLock());
    return g_inUse >= kPoolSize;
}

int MCallback::GInUse()
{
    MCriticalSection::Lock lock(PoolLock());
    return g_inUse;
}

MCallback::MCallback(MCallbackUser* user, unsigned data, int* result)
    : m_data(data), m_pUser(user)
{
    Post(MCallbackWindow::GGetCallbackHwnd(), result);
}

MCallback::MCallback(MCallbackUser* user, unsigned data, int* result, HWND window)
    : m_data(data), m_pUser(user)
{
    Post(window, result);
}

MCallback::MCallback(Function function, unsigned data, int* result) : m_data(data), m_pFunction(function)
{
    Post(MCallbackWindow::GGetCallbackHwnd(), result);
}

MCallback::MCallback(Function function, unsigned data, int* result, HWND window)
    : m_data(data), m_pFunction(function)
{
    Post(window, result);
}

MCallback::~MCallback()
{
    MCriticalSection::Lock lock(PoolLock());
    m_nSequence = 0;
}

void MCallback::Post(HWND window, int* result)
{
    m_hWnd = window;
    {
        MCriticalSection::Lock lock(PoolLock());
        m_nBusy = 1;
        m_nSequence = ++g_sequence;
    }
    if (!window || !PostMessage(window, kMessage, WPARAM(m_data), LPARAM(reinterpret_cast<intptr_t>(this)))) {
        {
            MCriticalSection::Lock lock(PoolLock());
            if (m_nSequence == g_sequence)
                --g_sequence;
            m_nSequence = 0;
        }
        if (result)
            *result = 0;
        delete this;
        return;
    }
    if (result)
        *result = 1;
    MCriticalSection::Lock lock(PoolLock());
    m_nBusy = 0;
}

// Posts the record's message again under the same sequence number, so that it
// keeps its place before everything posted after it.
BOOL MCallback::Repost()
{
    return PostMessage(m_hWnd, kMessage, WPARAM(m_data), LPARAM(reinterpret_cast<intptr_t>(this)));
}

MCallback* MCallback::GPost(MCallbackUser* user, unsigned data, HWND window)
{
    int result = 0;
    MCallback* record = window ? new MCallback(user, data, &result, window) : new MCallback(user, data, &result);
    return record && result ? record : nullptr;
}

MCallback* MCallback::GPost(Function function, unsigned data, HWND window)
{
    int result = 0;
    MCallback* record =
        window ? new MCallback(function, data, &result, window) : new MCallback(function, data, &result);
    return record && result ? record : nullptr;
}

BOOL MCallback::AbortMessage(MCallbackUser* user)
{
    if (!user || m_pUser != user)
        return FALSE;
    delete this;
    return TRUE;
}

BOOL MCallback::AbortMessage(Function function)
{
    if (!function || m_pFunction != function)
        return FALSE;
    delete this;
    return TRUE;
}

bool MCallback::IsLiveRecord(const MCallback* record)
{
    int slot = SlotOf(record);
    return slot >= 0 && g_useCount[slot] > 0;
}

void MCallback::GDeliver(WPARAM wParam, LPARAM lParam)
{
    auto* record = reinterpret_cast<MCallback*>(lParam);
    unsigned sequence;
    {
        MCriticalSection::Lock lock(PoolLock());
        // A message whose record was aborted or already run finds a free slot,
        // a cleared sequence number, or a slot reused for other data.
        if (!IsLiveRecord(record) || record->m_nSequence == 0 || record->m_data != unsigned(wParam))
            return;
        sequence = record->m_nSequence;
    }
    if (sequence != g_nextExpected) {
        // Whatever was posted earlier runs first.
        for (;;) {
            MCallback* earliest = nullptr;
            bool earlierBusy = false;
            {
                MCriticalSection::Lock lock(PoolLock());
                for (int i = 0; i < kPoolSize; ++i) {
                    auto* other = reinterpret_cast<MCallback*>(&g_pool[i]);
                    if (g_useCount[i] > 0 && other->m_nSequence != 0 && other->m_nSequence < sequence &&
                        (!earliest || other->m_nSequence < earliest->m_nSequence))
                        earliest = other;
                }
                earlierBusy = earliest && earliest->m_nBusy;
            }
            if (!earliest)
                break;
            if (earlierBusy) {
                // Still being made on another thread: both wait their turn.
                if (!record->Repost())
                    delete record;
                return;
            }
            GDeliver(WPARAM(earliest->m_data), LPARAM(reinterpret_cast<intptr_t>(earliest)));
        }
    }
    {
        MCriticalSection::Lock lock(PoolLock());
        if (!IsLiveRecord(record) || record->m_nSequence != sequence)
            return;   // run meanwhile by a callback further in
        if (record->m_nBusy) {
            // Its constructor is still running on another thread: come back later.
            if (!record->Repost()) {
                record->m_nSequence = 0;
                g_nextExpected = sequence + 1;
            }
            return;
        }
        g_nextExpected = sequence + 1;
        record->m_nSequence = 0;
    }
    MCallbackUser* user = record->m_pUser;
    Function function = record->m_pFunction;
    unsigned data = record->m_data;
    delete record;
    if (user)
        user->VCallbackUserOnMessage(data);
    else if (function)
        function(data);
}
