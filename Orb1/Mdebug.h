// Named tracers writing "*Error(file,line): text" and "*Message(file,line): text"
// records to the framework's debugging output, filtered by six 16-bit masks.
#pragma once

#include "framework/Messages.h"

extern WORD g_uTraceErrorMask;
extern WORD g_uTraceMessageMask;
extern WORD g_uTraceMask;
extern WORD g_uTrace1Mask;
extern WORD g_uTrace2Mask;
extern WORD g_uTrace3Mask;
extern int g_nTrace_Count;

struct MTraceRecord {
    const char* file;
    int line;
    const char* text;
};

class MTracer {
public:
    static constexpr int kMaxTracers = 200;
    static constexpr WORD kNoSlot = 0xFFFF;
    static constexpr UINT kTraceMessage = WM_USER + 0x7E0;
    enum Type { kError = 1, kMessage = 2 };
    enum Level { kTrace = 0, kTrace1 = 1, kTrace2 = 2, kTrace3 = 3 };

    // name must be a static string. slot receives the tracer's slot, 0xFFFF
    // (and all masks 0) when all 200 are taken.
    MTracer(const char* name, unsigned short& slot);
    ~MTracer();
    MTracer(const MTracer&) = delete;
    MTracer& operator=(const MTracer&) = delete;

    // Each sets the global mask and that of every registered tracer.
    static void GSetAll(WORD mask);
    static void GSetError(WORD mask);
    static void GSetMessage(WORD mask);
    static void GSetTrace(WORD mask);
    static void GSetTrace1(WORD mask);
    static void GSetTrace2(WORD mask);
    static void GSetTrace3(WORD mask);

    // The bits this tracer answers to (all by default): a record goes out when
    // its mask shares a bit with the id.
    void SetTraceId(WORD id) { m_id = id; }
    // Records are posted to this window (kTraceMessage; the window hands them to
    // GOnTraceMessage) instead of being written at once. Null writes at once.
    static void SetPostTraceWnd(HWND window);

    void Error(const char* file, int line, const char* text);
    void Message(const char* file, int line, const char* text);
    void Trace(int level, const char* file, int line, const char* text);

    static void OnPostTrace(int type, const MTraceRecord& record);
    // For the post window's kTraceMessage handler.
    static void GOnTraceMessage(WPARAM wParam, LPARAM lParam);

    const char* GetName() const { return m_name; }
    WORD GetSlot() const { return m_slot; }
    WORD GetErrorMask() const { return m_masks[0]; }
    WORD GetMessageMask() const { return m_masks[1]; }

private:
    void Emit(int type, WORD mask, const char* file, int line, const char* text);
    static void SetMask(int which, WORD mask);

    const char* m_name;
    WORD m_slot;
    WORD m_masks[6];
    WORD m_id = 0xFFFF;
};
