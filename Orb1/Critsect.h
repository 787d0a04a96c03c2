// A critical section owned for its lifetime. Like the system object it wraps,
// the owning thread may enter it again.
#pragma once

#include <mutex>

class MCriticalSection {
public:
    MCriticalSection() = default;
    MCriticalSection(const MCriticalSection&) = delete;
    MCriticalSection& operator=(const MCriticalSection&) = delete;

    void Enter() { m_mutex.lock(); }
    void Leave() { m_mutex.unlock(); }
    bool TryEnter() { return m_mutex.try_lock(); }

    class Lock {
    public:
        explicit Lock(MCriticalSection& section) : m_section(section) { m_section.Enter(); }
        ~Lock() { m_section.Leave(); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        MCriticalSection& m_section;
    };

private:
    std::recursive_mutex m_mutex;
};
