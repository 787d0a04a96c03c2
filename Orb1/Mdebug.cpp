#include "Mdebug.h"

#include "framework/Trace.h"
#include "types/CString.h"

#include <atomic>
#include <memory>
#include <mutex>

WORD g_uTraceErrorMask = 0xFFFF;
WORD g_uTraceMessageMask = 0xFFFF;
WORD g_uTraceMask = 0;
WORD g_uTrace1Mask = 0;
WORD g_uTrace2Mask = 0;
WORD g_uTrace3Mask = 0;
int g_nTrace_Count = 0;

namespace {

MTracer* g_tracers[MTracer::kMaxTracers] = {};
std::mutex g_mutex;
std::atomic<HWND> g_postWindow{nullptr};

WORD* GlobalMask(int which)
{
    static WORD* const masks[6] = {&g_uTraceErrorMask, &g_uTraceMessageMask, &g_uTraceMask,
                                   &g_uTrace1Mask, &g_uTrace2Mask, &g_uTrace3Mask};
    return masks[which];
}

// A record that travels in a message owns copies of its strings.
struct PostedRecord {
    CString file;
    int line;
    CString text;
};

} // namespace

MTracer::MTracer(const char* name, unsigned short& slot) : m_name(name), m_slot(kNoSlot), m_masks{}
{
    std::lock_guard<std::mutex> lock(g_mutex);
    for (int i = 0; i < kMaxTracers; ++i)
        if (!g_tracers[i]) {
            g_tracers[i] = this;
            m_slot = WORD(i);
            for (int m = 0; m < 6; ++m)
                m_masks[m] = *GlobalMask(m);
            ++g_nTrace_Count;
            break;
        }
    slot = m_slot;
}

MTracer::~MTracer()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (m_slot != kNoSlot && g_tracers[m_slot] == this) {
        g_tracers[m_slot] = nullptr;
        --g_nTrace_Count;
    }
}

void MTracer::SetMask(int which, WORD mask)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    *GlobalMask(which) = mask;
    for (MTracer* tracer : g_tracers)
        if (tracer)
            tracer->m_masks[which] = mask;
}

void MTracer::GSetAll(WORD mask)
{
    for (int m = 0; m < 6; ++m)
        SetMask(m, mask);
}

void MTracer::GSetError(WORD mask) { SetMask(0, mask); }
void MTracer::GSetMessage(WORD mask) { SetMask(1, mask); }
void MTracer::GSetTrace(WORD mask) { SetMask(2, mask); }
void MTracer::GSetTrace1(WORD mask) { SetMask(3, mask); }
void MTracer::GSetTrace2(WORD mask) { SetMask(4, mask); }
void MTracer::GSetTrace3(WORD mask) { SetMask(5, mask); }

void MTracer::SetPostTraceWnd(HWND window) { g_postWindow.store(window); }

void MTracer::Error(const char* file, int line, const char* text) { Emit(kError, m_masks[0], file, line, text); }

void MTracer::Message(const char* file, int line, const char* text)
{
    Emit(kMessage, m_masks[1], file, line, text);
}

void MTracer::Trace(int level, const char* file, int line, const char* text)
{
    if (level < kTrace || level > kTrace3)
        return;
    Emit(kMessage, m_masks[2 + level], file, line, text);
}

void MTracer::Emit(int type, WORD mask, const char* file, int line, const char* text)
{
    if (m_slot == kNoSlot || !(mask & m_id))
        return;
    HWND window = g_postWindow.load();
    if (window) {
        auto record = std::make_unique<PostedRecord>(PostedRecord{file, line, text});
        if (PostMessage(window, kTraceMessage, WPARAM(type), LPARAM(reinterpret_cast<intptr_t>(record.get())))) {
            record.release();
            return;
        }
    }
    OnPostTrace(type, MTraceRecord{file, line, text});
}

void MTracer::GOnTraceMessage(WPARAM wParam, LPARAM lParam)
{
    std::unique_ptr<PostedRecord> record(reinterpret_cast<PostedRecord*>(lParam));
    if (record)
        OnPostTrace(int(wParam), MTraceRecord{record->file, record->line, record->text});
}

void MTracer::OnPostTrace(int type, const MTraceRecord& record)
{
    const char* file = record.file ? record.file : "";
    const char* text = record.text ? record.text : "";
    CString out;
    switch (type) {
    case kError: out.Format("*Error(%s,%d): %s\n", file, record.line, text); break;
    case kMessage: out.Format("*Message(%s,%d): %s\n", file, record.line, text); break;
    default:
        out.Format("*Error(%s,%d): unknown message type (%d) received in OnPostTrace\n", file, record.line, type);
        break;
    }
    TraceOutput(out);
}
