// CImg: one picture (bitmap, palette, the file it came from) and at most one
// device-dependent bitmap made from it, over the image engine's handles.
#pragma once

#include <cstddef>

#include "gdi/gdiobj.h"
#include "types/CString.h"
#include "types/geometry.h"
#include "vantor32.h"

// 0 is success; failures carry the engine's negative code.
typedef int IMG_ERR;
constexpr IMG_ERR IMG_ERR_NONE = 0;
constexpr IMG_ERR IMG_ERR_NO_IMAGE = IMG_ERR_HANDLE;

enum IMG_FORMAT {
    IMG_FORMAT_BY_EXTENSION = -1,
    IMG_FORMAT_TIFF = 0,
    IMG_FORMAT_BMP = 1,
};

class CImg {
public:
    CImg() = default;
    virtual ~CImg();
    CImg(const CImg&) = delete;
    CImg& operator=(const CImg&) = delete;

    IMG_ERR Load(const CString& path);
    // A whole BMP file image in memory. length 0: the file header's size field
    // gives it; otherwise the block's length in bytes. The object copies.
    IMG_ERR Load(void* bmpFile, int length);
    // A bitmap resource registered with RegisterResource.
    IMG_ERR Load(unsigned resourceId);
    // 1 BMP, 0 TIFF, -1 by the name's extension. Only the picture is written.
    IMG_ERR Save(const CString& path, IMG_FORMAT format);

    IMG_ERR Delete();
    IMG_ERR DeleteDdb();
    BOOL IsValid() const { return m_handle != 0; }
    BOOL IsValidDdb() const { return m_ddb != nullptr; }

    // (-1, -1): the picture's own size; otherwise the size to fill.
    IMG_ERR CreateDdb(CSize size);
    IMG_ERR DisplayDdb(const CDC& dc, const CRect& rect);
    IMG_ERR RealizePalette(const CDC& dc);
    // Lends the object's own palette; the caller must not delete it.
    IMG_ERR GetPalette(CPalette*& palette);
    IMG_ERR GetSize(CSize& size);
    IMG_ERR GetBitsPerPixel(int& bits) const;
    const CString& GetFileName() const { return m_fileName; }
    IMG_ERR GetImageRect(CRect& rect);

    // The engine's operations on the held picture.
    enum Reduction { Gray, BayerMono, HalftoneMono, DiffusionMono, BayerColor, DiffusionColor, Popularity, MedianCut };
    IMG_ERR Reduce(Reduction method);
    IMG_ERR FlipHorizontal();
    IMG_ERR FlipVertical();
    IMG_ERR Rotate(unsigned angle);
    IMG_ERR Resize(CSize size);
    IMG_ERR Invert();

    IMG_HANDLE GetHandle() const { return m_handle; }
    HBITMAP GetDdb() const { return m_ddb; }

    // Makes a BMP file image available to Load(unsigned); the bytes are copied.
    static void RegisterResource(unsigned resourceId, const void* bmpFile, size_t length);

private:
    IMG_ERR Adopt(int result, IMG_HANDLE handle, const CString& name);
    IMG_ERR Changed(int result);

    IMG_HANDLE m_handle = 0;
    HBITMAP m_ddb = nullptr;
    CPalette m_palette;
    CString m_fileName;
};
