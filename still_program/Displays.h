// The two indicators over the view: the self timer's countdown and the
// auto-capture "waiting" animation. Each remembers what it shows and where
// (the view places them); a widget draws it. Hiding redraws the area it covered.
#pragma once

#include "types/geometry.h"
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

// The indicators' pictures: the countdown is a background three digits wide
// with the tens and units one and two digit widths from its left edge.
constexpr int kDigitWidth = 12;
constexpr int kDigitHeight = 20;
inline const CSize kCountdownSize{3 * kDigitWidth, 24};
inline const CSize kAutoCaptureSize{24, 24};
constexpr int kAutoCaptureFrames = 3;

// Where an indicator stands in the view; telling its widget of changes.
class CIndicatorPlace {
public:
    void Place(const CRect& area);
    const CRect& Area() const { return m_area; }

    std::function<void()> onChanged;

protected:
    void Changed() const;

private:
    CRect m_area;
};

class CSelfTimerDisplay : public CIndicatorPlace {
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

private:
    bool m_shown = false;
    CCountdown m_countdown;
    DWORD m_remaining = 0;
    bool m_delayShown = false;
    DWORD m_delay = 0;
};

class CAutoCaptureDisplay : public CIndicatorPlace {
public:
    void Show();
    void Hide();
    // The next frame, after the last the first again.
    void Animate();
    bool IsShown() const { return m_shown; }
    bool IsVisible() const { return m_shown; }
    int Frame() const { return m_frame; }

private:
    bool m_shown = false;
    int m_frame = 0;
};
