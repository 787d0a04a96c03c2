// A thin wrapper of the multimedia periodic timer. The resolution is never
// finer than 15 ms and the interval never shorter than the resolution.
#pragma once

#include "framework/MultimediaTimer.h"

enum TYPE_MMTimerError {
    MMTimerError_None = 0,
    MMTimerError_AlreadyRunning = 1,
    MMTimerError_DevCaps = 2,
    MMTimerError_SetEvent = 3,
    MMTimerError_NoCallback = 4,
};

// The 16-bit and 32-bit variants differ only in their field widths.
template <typename Word, typename Error>
class MMTimerBase {
public:
    static constexpr UINT kMinimumResolution = 15;

    MMTimerBase() = default;
    MMTimerBase(LPTIMECALLBACK callback, Word interval, DWORD_PTR data, Word resolution)
    {
        Initialize(callback, interval, data, resolution);
    }
    ~MMTimerBase() { Stop(); }
    MMTimerBase(const MMTimerBase&) = delete;
    MMTimerBase& operator=(const MMTimerBase&) = delete;

    // FALSE while running.
    BOOL Initialize(LPTIMECALLBACK callback, Word interval, DWORD_PTR data, Word resolution)
    {
        if (m_id)
            return FALSE;
        m_callback = callback;
        m_interval = interval;
        m_data = data;
        m_resolution = resolution;
        m_bInitialized = TRUE;
        return TRUE;
    }

    BOOL Start()
    {
        if (!m_bInitialized)
            return FALSE;
        if (m_id)
            return Fail(Error(MMTimerError_AlreadyRunning));
        if (!m_callback)
            return Fail(Error(MMTimerError_NoCallback));
        TIMECAPS caps;
        if (timeGetDevCaps(&caps, sizeof caps) != TIMERR_NOERROR)
            return Fail(Error(MMTimerError_DevCaps));
        UINT resolution = caps.wPeriodMin < kMinimumResolution ? kMinimumResolution : caps.wPeriodMin;
        if (resolution > caps.wPeriodMax)
            resolution = caps.wPeriodMax;
        m_resolution = Word(resolution);
        if (m_interval < m_resolution)
            m_interval = m_resolution;
        timeBeginPeriod(m_resolution);
        m_id = Word(timeSetEvent(m_interval, m_resolution, m_callback, m_data, TIME_PERIODIC));
        if (!m_id) {
            timeEndPeriod(m_resolution);
            return Fail(Error(MMTimerError_SetEvent));
        }
        m_error = Error(MMTimerError_None);
        return TRUE;
    }

    BOOL Stop()
    {
        if (m_id) {
            timeKillEvent(m_id);
            m_id = 0;
            // Only a period that Start began is ended.
            timeEndPeriod(m_resolution);
        }
        return TRUE;
    }

    BOOL IsRunning() const { return m_id != 0; }
    void SetResolution(Word resolution) { m_resolution = resolution; }
    Word GetResolution() const { return m_resolution; }
    void SetInterval(Word interval) { m_interval = interval; }
    Word GetInterval() const { return m_interval; }
    Error GetError() const { return m_error; }

private:
    BOOL Fail(Error error)
    {
        m_error = error;
        return FALSE;
    }

    LPTIMECALLBACK m_callback = nullptr;
    DWORD_PTR m_data = 0;
    Word m_id = 0;
    Word m_interval = 50;
    Word m_resolution = 15;
    BOOL m_bInitialized = FALSE;
    Error m_error = Error(MMTimerError_None);
};

class MMTimer : public MMTimerBase<WORD, TYPE_MMTimerError> {
public:
    using MMTimerBase::MMTimerBase;
};
