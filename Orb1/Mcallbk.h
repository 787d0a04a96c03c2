// Small callback records posted as message 2024 to a callback window and run
// on the user-interface thread in the order they were posted. The records come
// from a fixed pool of 20, so a timer thread can post without touching the heap.
#pragma once

#include "framework/Messages.h"

#include <cstddef>

// Code and data the timer thread touches are kept together in sections of their own.
#define ORB_FIXED_CODE __attribute__((section(".text_orb1i_FIXE")))
#define ORB_FIXED_DATA __attribute__((section(".data_orb1i_FIXE")))

class MCallbackUser {
public:
    virtual ~MCallbackUser() = default;
    virtual void VCallbackUserOnMessage(unsigned data) = 0;
};

class MCallback {
public:
    static constexpr UINT kMessage = 2024;
    static constexpr int kPoolSize = 20;
    typedef void (*Function)(unsigned data);

    // Each posts at once; *result is 1 when posted, else 0 and the record has
    // already deleted itself (the pointer from new must then not be used).
    // Without a window, the application's callback window is used (created if needed).
    MCallback(MCallbackUser* user, unsigned data, int* result);
    MCallback(MCallbackUser* user, unsigned data, int* result, HWND window);
    MCallback(Function function, unsigned data, int* result);
    MCallback(Function function, unsigned data, int* result, HWND window);
    virtual ~MCallback();

    // Null when all 20 records are in use.
    static void* operator new(size_t size) noexcept ORB_FIXED_CODE;
    static void operator delete(void* pointer) noexcept ORB_FIXED_CODE;

    // Deletes the record when it belongs to that user or function.
    BOOL AbortMessage(MCallbackUser* user);
    BOOL AbortMessage(Function function);
    static BOOL GIsFull() ORB_FIXED_CODE;
    static int GInUse() ORB_FIXED_CODE;

    // Posts a callback; null when the pool is full or posting failed.
    static MCallback* GPost(MCallbackUser* user, unsigned data, HWND window = nullptr);
    static MCallback* GPost(Function function, unsigned data, HWND window = nullptr);

    // Message 2024 on a callback window.
    static void GDeliver(WPARAM wParam, LPARAM lParam);

private:
    void Post(HWND window, int* result);
    BOOL Repost();
    static bool IsLiveRecord(const MCallback* record);

    unsigned m_data;
    MCallbackUser* m_pUser = nullptr;
    Function m_pFunction = nullptr;
    HWND m_hWnd = nullptr;
    int m_nBusy = 0;
    unsigned m_nSequence = 0;
};
