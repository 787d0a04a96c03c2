#include "CImg.h"

#include <cstring>
#include <map>
#include <vector>

namespace {
std::map<unsigned, std::vector<uint8_t>>& Resources()
{
    static std::map<unsigned, std::vector<uint8_t>> resources;
    return resources;
}
}   // namespace

CImg::~CImg()
{
    DeleteDdb();
    Delete();
}

IMG_ERR CImg::Adopt(int result, IMG_HANDLE handle, const CString& name)
{
    if (result < 0)
        return result;
    DeleteDdb();
    Delete();
    m_handle = handle;
    m_fileName = name;
    return IMG_ERR_NONE;
}

IMG_ERR CImg::Load(const CString& path)
{
    IMG_HANDLE handle = 0;
    int result = IMG_decompress_bitmap(&handle, static_cast<const char*>(path));
    return Adopt(result, handle, path);
}

IMG_ERR CImg::Load(void* bmpFile, int length)
{
    if (!bmpFile || length < 0)
        return IMG_ERR_CONTENT;
    uint32_t size = uint32_t(length);
    if (size == 0) {
        const auto* bytes = static_cast<const uint8_t*>(bmpFile);
        if (bytes[0] != 'B' || bytes[1] != 'M')
            return IMG_ERR_CONTENT;
        std::memcpy(&size, bytes + 2, 4);
    }
    IMG_HANDLE handle = 0;
    int result = IMG_decompress_bitmap_mem_len(&handle, bmpFile, size, 0);
    return Adopt(result, handle, CString());
}

IMG_ERR CImg::Load(unsigned resourceId)
{
    auto it = Resources().find(resourceId);
    if (it == Resources().end())
        return IMG_ERR_OPEN;
    IMG_HANDLE handle = 0;
    int result = IMG_decompress_bitmap_mem_len(&handle, it->second.data(), uint32_t(it->second.size()), 0);
    return Adopt(result, handle, CString());
}

void CImg::RegisterResource(unsigned resourceId, const void* bmpFile, size_t length)
{
    const auto* bytes = static_cast<const uint8_t*>(bmpFile);
    Resources()[resourceId].assign(bytes, bytes + length);
}

IMG_ERR CImg::Save(const CString& path, IMG_FORMAT format)
{
    if (!m_handle)
        return IMG_ERR_NO_IMAGE;
    uint16_t type = format == IMG_FORMAT_BY_EXTENSION ? uint16_t(IMG_TYPE_BY_EXTENSION) : uint16_t(format);
    if (format != IMG_FORMAT_BY_EXTENSION && format != IMG_FORMAT_TIFF && format != IMG_FORMAT_BMP)
        return IMG_ERR_UNSUPPORTED;
    uint16_t w = 0, h = 0;
    IMG_bitmap_info(nullptr, m_handle, &w, &h, nullptr);
    uint16_t l, t, cw, ch;
    IMG_get_croprect(m_handle, &l, &t, &cw, &ch);
    IMG_set_croprect(m_handle, 0, 0, w, h);
    int result = IMG_save_bitmap(m_handle, static_cast<const char*>(path), type);
    IMG_set_croprect(m_handle, l, t, cw, ch);
    return result < 0 ? result : IMG_ERR_NONE;
}

IMG_ERR CImg::Delete()
{
    if (!m_handle)
        return IMG_ERR_NO_IMAGE;
    m_palette.DeleteObject();
    int result = IMG_delete_bitmap(m_handle);
    m_handle = 0;
    m_fileName.Empty();
    return result;
}

IMG_ERR CImg::DeleteDdb()
{
    if (!m_ddb)
        return IMG_ERR_NO_IMAGE;
    ::DeleteObject(m_ddb);
    m_ddb = nullptr;
    return IMG_ERR_NONE;
}

IMG_ERR CImg::CreateDdb(CSize size)
{
    if (!m_handle)
        return IMG_ERR_NO_IMAGE;
    if (size.cx == -1 && size.cy == -1) {
        uint16_t w = 0, h = 0;
        IMG_bitmap_info(nullptr, m_handle, &w, &h, nullptr);
        size = CSize(w, h);
    }
    if (size.cx <= 0 || size.cy <= 0 || size.cx > 32767 || size.cy > 32767)
        return IMG_ERR_UNSUPPORTED;
    HBITMAP ddb = nullptr;
    int result = IMG_dib_to_ddb(&ddb, m_handle, int16_t(size.cx), int16_t(size.cy));
    if (result < 0)
        return result;
    DeleteDdb();
    m_ddb = ddb;
    return IMG_ERR_NONE;
}

IMG_ERR CImg::DisplayDdb(const CDC& dc, const CRect& rect)
{
    if (!m_ddb)
        return IMG_ERR_NO_IMAGE;
    return IMG_display_ddb(m_ddb, dc.GetSafeHdc(), int16_t(rect.left), int16_t(rect.top));
}

IMG_ERR CImg::RealizePalette(const CDC& dc)
{
    if (!m_handle)
        return IMG_ERR_NO_IMAGE;
    int result = IMG_realize_palette(m_handle, dc.GetSafeHdc(), nullptr, FALSE);
    return result < 0 ? result : IMG_ERR_NONE;
}

IMG_ERR CImg::GetPalette(CPalette*& palette)
{
    palette = nullptr;
    if (!m_handle)
        return IMG_ERR_NO_IMAGE;
    if (!m_palette.GetSafeHandle()) {
        HDC dc = CreateCompatibleDC(nullptr);
        int result = IMG_bitmap_palette(m_handle, dc);
        HPALETTE engine = IMG_get_palette(m_handle);
        SelectPalette(dc, nullptr, FALSE);
        DeleteDC(dc);
        if (result < 0 || !engine)
            return result < 0 ? result : IMG_ERR_MEMORY;
        // The engine rebuilds its palette at will; the object lends a copy of its own.
        UINT n = GetPaletteEntries(engine, 0, 0, nullptr);
        std::vector<uint8_t> block(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY));
        auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
        lp->palVersion = 0x300;
        lp->palNumEntries = WORD(n);
        GetPaletteEntries(engine, 0, n, lp->palPalEntry);
        if (!m_palette.CreatePalette(lp))
            return IMG_ERR_MEMORY;
    }
    palette = &m_palette;
    return IMG_ERR_NONE;
}

IMG_ERR CImg::GetSize(CSize& size)
{
    uint16_t w = 0, h = 0;
    int result = IMG_bitmap_info(nullptr, m_handle, &w, &h, nullptr);
    if (result < 0)
        return result;
    size = CSize(w, h);
    return IMG_ERR_NONE;
}

IMG_ERR CImg::GetBitsPerPixel(int& bits) const
{
    uint16_t b = 0;
    int result = IMG_bitmap_info(nullptr, m_handle, nullptr, nullptr, &b);
    if (result < 0)
        return result;
    bits = b;
    return IMG_ERR_NONE;
}

IMG_ERR CImg::GetImageRect(CRect& rect)
{
    CSize size;
    IMG_ERR result = GetSize(size);
    if (result == IMG_ERR_NONE)
        rect = CRect(0, 0, size.cx, size.cy);
    return result;
}

IMG_ERR CImg::Changed(int result)
{
    if (result < 0)
        return result;
    m_palette.DeleteObject();
    return IMG_ERR_NONE;
}

IMG_ERR CImg::Reduce(Reduction method)
{
    static int32_t (*const operations[])(IMG_HANDLE) = {
        IMG_color_gray, IMG_bayer_mono, IMG_halftone_mono, IMG_diffusion_mono,
        IMG_bayer_color, IMG_diffusion_color, IMG_popularity_color, IMG_mediancut_color};
    if (unsigned(method) >= std::size(operations))
        return IMG_ERR_UNSUPPORTED;
    return Changed(operations[method](m_handle));
}

IMG_ERR CImg::FlipHorizontal() { return Changed(IMG_flip_bitmapx(m_handle)); }
IMG_ERR CImg::FlipVertical() { return Changed(IMG_flip_bitmapy(m_handle)); }
IMG_ERR CImg::Rotate(unsigned angle) { return Changed(IMG_rotate_bitmap(m_handle, uint16_t(angle))); }
IMG_ERR CImg::Invert() { return Changed(IMG_invert_bitmap(m_handle)); }

IMG_ERR CImg::Resize(CSize size)
{
    if (size.cx <= 0 || size.cy <= 0 || size.cx > 65535 || size.cy > 32767)
        return IMG_ERR_UNSUPPORTED;
    return Changed(IMG_resize_bitmap(m_handle, uint16_t(size.cx), int16_t(size.cy)));
}
