// Window messages of the user-interface thread: posting, sending, peeking and
// dispatching by number, and the timers that arrive as WM_TIMER. Posted
// messages are delivered in posting order; timers come when nothing is posted.
#pragma once

#include "types/wintypes.h"

#include <cstdint>

typedef uintptr_t UINT_PTR;
typedef uintptr_t DWORD_PTR;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
};

typedef void (*TIMERPROC)(HWND hwnd, UINT message, UINT_PTR id, DWORD tick);

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_CLOSE = 0x0010;
// Sent (posted) to a top-level window whose frame the window system changed.
constexpr UINT WM_NCCALCSIZE = 0x0083;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_PALETTECHANGED = 0x0311;
constexpr UINT WM_USER = 0x0400;

// The low word of WM_ACTIVATE's wParam.
constexpr UINT WA_INACTIVE = 0;
constexpr UINT WA_ACTIVE = 1;

constexpr UINT PM_NOREMOVE = 0;
constexpr UINT PM_REMOVE = 1;

// Scroll bar codes carried in the low word of WM_HSCROLL's wParam.
constexpr UINT SB_LINELEFT = 0;
constexpr UINT SB_LINERIGHT = 1;
constexpr UINT SB_PAGELEFT = 2;
constexpr UINT SB_PAGERIGHT = 3;
constexpr UINT SB_THUMBPOSITION = 4;
constexpr UINT SB_THUMBTRACK = 5;
constexpr UINT SB_LEFT = 6;
constexpr UINT SB_RIGHT = 7;
constexpr UINT SB_ENDSCROLL = 8;

// Anything that owns a window handle and answers its messages.
class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// Gives the target a fresh handle; the handle is valid until UnregisterWindow.
HWND RegisterWindow(MessageTarget* target);
void UnregisterWindow(HWND hwnd);
MessageTarget* TargetFromHandle(HWND hwnd);
BOOL IsWindow(HWND hwnd);

// Safe from any thread, and never allocates. A null window posts to the thread
// itself. FALSE for a window that does not exist or a full queue (10000 messages).
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// On the user-interface thread only: calls the window at once. 0 for no window.
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// filter: only messages for that window (null: any); min..max: a message range
// (both 0: any). Due timers come only when no posted message matches.
BOOL PeekMessage(MSG* msg, HWND filter, UINT min, UINT max, UINT remove);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
// Waits until a message is posted or a timer falls due. With a fake clock,
// moves time on to the next due work instead. FALSE when nothing can ever come.
BOOL WaitMessage();
// Dispatches every posted message and due timer there is now; returns how many.
int PumpMessages();
// Dispatches until `done` or until nothing more can happen; TRUE when done.
template <typename Pred>
BOOL RunModalLoop(Pred done)
{
    MSG msg;
    while (!done()) {
        if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(int(msg.wParam));
                return FALSE;
            }
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        } else if (!WaitMessage()) {
            return done() ? TRUE : FALSE;
        }
    }
    return TRUE;
}

// Window timers (WM_TIMER to the window, or to `proc` when given) and thread
// timers (null window: the id is chosen here and returned). Periods below 10 ms
// count as 10 ms. A timer that falls behind fires once and skips what it missed.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
int ActiveTimerCount();

// How the Qt side learns that something arrived or that the next timer moved:
// `wake` may be called from any thread; `block` waits for the next event on
// the user-interface thread. Null hooks restore the plain condition-variable wait.
struct MessageLoopHooks {
    void (*wake)() = nullptr;
    void (*block)() = nullptr;
};
void SetMessageLoopHooks(const MessageLoopHooks& hooks);
// The tick at which the next timer falls due; false without timers.
bool NextTimerDue(DWORD& due);
size_t PostedMessageCount();
// True while a modal peek loop waits for events: a Qt-side drain must then
// leave the messages to it.
bool IsInModalWait();
// Drops every posted message and timer: a test starting from a clean queue.
void ResetMessageQueue();
