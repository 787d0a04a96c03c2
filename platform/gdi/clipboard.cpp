#include "gdi/clipboard.h"

#include <map>

namespace {

class ProcessClipboard : public ClipboardBackend {
public:
    ~ProcessClipboard() override { Release(); }
    BOOL Open(HWND) override
    {
        if (open_)
            return FALSE;
        open_ = true;
        return TRUE;
    }
    BOOL Close() override
    {
        bool was = open_;
        open_ = false;
        return was;
    }
    BOOL Empty() override
    {
        if (!open_)
            return FALSE;
        Release();
        return TRUE;
    }
    BOOL IsFormatAvailable(UINT format) override { return data_.count(format) != 0; }
    HANDLE GetData(UINT format) override
    {
        if (!open_)
            return nullptr;
        auto it = data_.find(format);
        return it == data_.end() ? nullptr : it->second;
    }
    HANDLE SetData(UINT format, HANDLE data) override
    {
        if (!open_ || (format != CF_DIB && format != CF_BITMAP && format != CF_PALETTE))
            return nullptr;
        Drop(format);
        data_[format] = data;
        return data;
    }

private:
    void Drop(UINT format)
    {
        auto it = data_.find(format);
        if (it == data_.end())
            return;
        if (format == CF_DIB)
            GlobalFree(static_cast<HGLOBAL>(it->second));
        else if (format == CF_BITMAP)
            DeleteObject(static_cast<HBITMAP>(it->second));
        else
            DeleteObject(static_cast<HPALETTE>(it->second));
        data_.erase(it);
    }
    void Release()
    {
        while (!data_.empty())
            Drop(data_.begin()->first);
    }
    bool open_ = false;
    std::map<UINT, HANDLE> data_;
};

ProcessClipboard& Local()
{
    static ProcessClipboard clipboard;
    return clipboard;
}

ClipboardBackend* backend = nullptr;

ClipboardBackend& Current()
{
    return backend ? *backend : Local();
}

}   // namespace

void SetClipboardBackend(ClipboardBackend* b)
{
    backend = b;
}

BOOL OpenClipboard(HWND owner) { return Current().Open(owner); }
BOOL CloseClipboard() { return Current().Close(); }
BOOL EmptyClipboard() { return Current().Empty(); }
BOOL IsClipboardFormatAvailable(UINT format) { return Current().IsFormatAvailable(format); }
HANDLE GetClipboardData(UINT format) { return Current().GetData(format); }
HANDLE SetClipboardData(UINT format, HANDLE data) { return Current().SetData(format, data); }
