// The two indicators over the view: the self timer's countdown and the
// auto-capture "waiting" animation. Each remembers what it shows; a widget
// draws it. Hiding redraws the area it covered.
#pragma once

#include "types/wintypes.h"

#include <functional>

// (start tick, seconds): done once the whole seconds have passed.
struct CCountdown {
    DWORD start = 0;
    DWORD seconds = 0;
    bool Done(DWORD now) const { return (now - start) / 1000 >= seconds; }
    DWORD Remaining(DWORD now) const
    {
        const DWORD passed = (now - start) / 1000;
        return passed >= seconds ? 0 : seconds - passed;
    }
};

class CSelfTimerDisplay {
public:
    void Show(const CCountdown& countdown);
    void Hide();
    void Redraw(DWORD remaining);
    // The countdown runs and is on show.
    bool IsShown() const { return m_shown; }
    const CCountdown& Countdown() const { return m_countdown; }
    // Between countdowns: the self timer's configured delay, drawn whenever
    // no countdown is (a countdown hides it only while it runs).
    void ShowDelay(DWORD seconds);
    void HideDelay();
    bool IsDelayShown() const { return m_delayShown; }
    // Something to draw: the countdown, else the delay.
    bool IsVisible() const { return m_shown || m_delayShown; }
    DWORD ShownSeconds() const { return m_shown ? m_remaining : m_delay; }

    std::function<void()> onChanged;

private:
    bool m_shown = false;
    CCountdown m_countdown;
    DWORD m_remaining = 0;
    bool m_delayShown = false;
    DWORD m_delay = 0;
};

class CAutoCaptureDisplay {
public:
    void Show();
    void Hide();
    void Animate();
    bool IsShown() const { return m_shown; }
    int Frame() const { return m_frame; }

    std::function<void()> onChanged;

private:
    bool m_shown = false;
    int m_frame = 0;
};
