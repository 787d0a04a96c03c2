// The frame: detection, load and save dispatch, the crop-serving row callback,
// and the handle-level information calls.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <strings.h>
#include <unistd.h>

#include "engine.h"
#include "types/SafeFile.h"

namespace vantor {

namespace {

IMG_HANDLE currentHandle = 0;
char identText[200] = "Velmora image engine";
char dateText[40] = "11-24-1992";

int Unsupported(ReadJob&)
{
    return IMG_ERR_UNSUPPORTED;
}

using Reader = int (*)(ReadJob&);
using Writer = int (*)(WriteJob&);

Reader ReaderFor(int type)
{
    switch (type) {
    case IMG_TYPE_BMP: return ReadBmp;
    case IMG_TYPE_PCX: return ReadPcx;
    case IMG_TYPE_DCX: return ReadDcx;
    case IMG_TYPE_TARGA: return ReadTarga;
    case IMG_TYPE_GIF: return ReadGif;
    case IMG_TYPE_JPEG: return ReadJpeg;
    case IMG_TYPE_TIFF: return ReadTiff;
    case IMG_TYPE_EPS: return ReadEps;
    case IMG_TYPE_WMF: return ReadWmf;
    case IMG_TYPE_WPG: return ReadWpg;
    case IMG_TYPE_PICT: return ReadPict;
    default: return Unsupported;   // formats whose codecs come later
    }
}

Writer WriterFor(uint32_t type)
{
    switch (type) {
    case IMG_TYPE_BMP: return WriteBmp;
    case IMG_TYPE_BMP_RLE: return WriteBmpRle;
    case IMG_TYPE_PCX: return WritePcx;
    case IMG_TYPE_DCX: return WriteDcx;
    case IMG_TYPE_TARGA: return WriteTarga;
    case IMG_TYPE_GIF: return WriteGif;
    case IMG_TYPE_JPEG: return WriteJpeg;
    case IMG_TYPE_TIFF: return WriteTiff;
    case IMG_TYPE_TIFF_HUFFMAN: return WriteTiffHuffman;
    case IMG_TYPE_TIFF_G3: return WriteTiffGroup3;
    case IMG_TYPE_TIFF_LZW: return WriteTiffLzw;
    case IMG_TYPE_TIFF_G4: return WriteTiffGroup4;
    case IMG_TYPE_EPS: return WritePostScript;
    case IMG_TYPE_WMF: return WriteWmf;
    case IMG_TYPE_WPG: return WriteWpg;
    case IMG_TYPE_PICT: return WritePict;
    default: return nullptr;
    }
}

uint32_t LoadStart(int32_t offset, int16_t page)
{
    return page != 0 ? (uint32_t(uint16_t(page)) | kPageFlag) : uint32_t(offset);
}

int Decompress(IMG_HANDLE* out, Stream& in, int32_t offset, int16_t page, IMG_LINE_CB line,
               void* user, IMG_HEADER_CB header)
{
    ScratchScope scope;
    if (!line || !header || offset < 0)
        return IMG_ERR_CONTENT;
    int type = DetectType(in, uint32_t(offset));
    if (type < 0)
        return type;
    ReadJob job{in, LoadStart(offset, page), line, user, header};
    if (line == FrameLine)
        job.rowAt = FrameRow;
    int result = ReaderFor(type)(job);
    if (result < 0)
        return result;
    if (out)
        *out = currentHandle;
    return IMG_OK;
}

// Loads into a new handle; a failed load leaves no record behind.
int LoadNew(IMG_HANDLE* out, Stream& in, int32_t offset, int16_t page)
{
    if (!out)
        return IMG_ERR_HANDLE;
    auto* record = new Record;
    IMG_HANDLE handle = AllocateHandle(record);
    currentHandle = handle;
    IMG_HANDLE got = 0;
    int result = Decompress(&got, in, offset, page, FrameLine, record, FrameHeader);
    if (result >= 0 && !record->store)
        result = IMG_ERR_CONTENT;
    if (result < 0) {
        FreeHandle(handle);
        if (record->store)
            GlobalFree(record->store);
        delete record;
        return result;
    }
    *out = handle;
    return result;
}

int Save(Stream& out, const BITMAPINFO* header, uint32_t type, IMG_ROW_CB row, void* user,
         const uint8_t* rows = nullptr)
{
    ScratchScope scope;
    Writer writer = WriterFor(type);
    if (!writer)
        return IMG_ERR_UNSUPPORTED;
    if (!header || !row)
        return IMG_ERR_CONTENT;
    const BITMAPINFOHEADER& h = header->bmiHeader;
    if (!DepthHeld(h.biBitCount) || h.biWidth <= 0 || h.biHeight <= 0 ||
        uint32_t(h.biHeight) > kMaxRows || DibRowBytes(h.biWidth, h.biBitCount) > kMaxRowBytes)
        return IMG_ERR_UNSUPPORTED;
    WriteJob job{out, header, row, user, rows};
    return writer(job);
}

struct CropSource {
    Record* record;
    uint32_t left, top, width, height;
};

uint32_t LeftBytes(uint32_t left, int bits)
{
    switch (bits) {
    case 1: return (left + 7) / 8;
    case 4: return (left + 1) / 2;
    case 8: return left;
    default: return 3 * left;
    }
}

int16_t CropRow(void* user, uint8_t* dest, int16_t row, int16_t bytes)
{
    auto* c = static_cast<CropSource*>(user);
    if (row < 0 || uint32_t(row) >= c->height || bytes < 0)
        return IMG_ERR_CONTENT;
    std::memset(dest, 0, size_t(bytes));
    uint32_t line = c->top + c->height - 1 - uint32_t(row);
    uint32_t dibRow = c->record->height - 1 - line;
    uint32_t from = LeftBytes(c->left, c->record->Header().biBitCount);
    if (from < c->record->stride) {
        size_t n = std::min<size_t>(size_t(bytes), c->record->stride - from);
        std::memcpy(dest, c->record->Rows() + size_t(dibRow) * c->record->stride + from, n);
    }
    return IMG_OK;
}

// Builds the header of the crop rectangle (clipped to the picture) and writes it.
int SaveHandle(IMG_HANDLE handle, Stream& out, uint32_t type)
{
    Record* record = Lookup(handle);
    if (!record || !record->store)
        return IMG_ERR_HANDLE;
    CropSource crop{record, std::min<uint32_t>(record->cropLeft, record->width),
                    std::min<uint32_t>(record->cropTop, record->height), 0, 0};
    crop.width = std::min<uint32_t>(record->cropWidth, record->width - crop.left);
    crop.height = std::min<uint32_t>(record->cropHeight, record->height - crop.top);
    if (crop.width == 0 || crop.height == 0)
        return IMG_ERR_UNSUPPORTED;
    alignas(4) uint8_t block[kHeaderBlock] = {};
    std::memcpy(block, GlobalBytes(record->store).data(), sizeof(BITMAPINFOHEADER) + record->TableBytes());
    auto* info = reinterpret_cast<BITMAPINFO*>(block);
    info->bmiHeader.biWidth = LONG(crop.width);
    info->bmiHeader.biHeight = LONG(crop.height);
    info->bmiHeader.biSizeImage = DibRowBytes(info->bmiHeader.biWidth, info->bmiHeader.biBitCount) * crop.height;
    // Uncropped, the store's rows are what CropRow would hand out, in order.
    const bool whole = crop.width == record->width && crop.height == record->height;
    return Save(out, info, type, CropRow, &crop, whole ? record->Rows() : nullptr);
}

uint32_t TypeFromPath(const char* path)
{
    static const struct { const char* ending; uint32_t type; } endings[] = {
        {"tif", 0}, {"bmp", 1}, {"pcx", 2}, {"tga", 3}, {"gif", 4}, {"wpg", 5},
        {"wmf", 6}, {"dcx", 11}, {"jpg", 13}, {"pct", 15}, {"eps", 14}};
    size_t n = std::strlen(path);
    if (n < 3)
        return IMG_TYPE_BY_EXTENSION;
    for (const auto& e : endings)
        if (strcasecmp(path + n - 3, e.ending) == 0)
            return e.type;
    return IMG_TYPE_BY_EXTENSION;
}

bool AddsPage(uint32_t type)
{
    return type == 0 || (type >= 7 && type <= 11);
}

}   // namespace

bool CanHold(Stream& in, uint64_t at, uint64_t bytes, uint64_t end)
{
    if (!end) {
        if (!in.LengthKnown())
            return true;
        end = in.Length();
    }
    return at <= end && end - at >= bytes;
}

bool IsLaterPage(uint32_t start)
{
    return (start & kPageFlag) == kPageFlag && (start & ~kPageFlag) != 0;
}

uint32_t StartOffset(uint32_t start)
{
    return (start & kPageFlag) == kPageFlag ? 0 : start;
}

int PictureFits(int32_t width, int32_t height, int bits, uint64_t working)
{
    if (width <= 0 || height <= 0)
        return IMG_ERR_CONTENT;
    if (!DepthHeld(bits))
        return IMG_ERR_UNSUPPORTED;
    if (uint32_t(height) > kMaxRows || width > 65535 || DibRowBytes(width, WORD(bits)) > kMaxRowBytes)
        return IMG_ERR_UNSUPPORTED;
    return WithinBudget(StoreBytes(uint32_t(width), uint32_t(height), bits) + working);
}

int DeliverHeader(ReadJob& job, int32_t width, int32_t height, int bits, const RGBQUAD* table,
                  int32_t xPelsPerMeter, int32_t yPelsPerMeter)
{
    if (int r = PictureFits(width, height, bits); r < 0)
        return r;
    uint8_t* block = Scratch().Get(kHeaderBlock);
    if (!block)
        return IMG_ERR_MEMORY;
    auto* info = reinterpret_cast<BITMAPINFO*>(block);
    BITMAPINFOHEADER& h = info->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = WORD(bits);
    h.biCompression = BI_RGB;
    h.biSizeImage = DibRowBytes(width, WORD(bits)) * uint32_t(height);
    h.biXPelsPerMeter = xPelsPerMeter;
    h.biYPelsPerMeter = yPelsPerMeter;
    if (table)
        std::memcpy(block + sizeof h, table, 4 * ColourEntries(bits));
    int result = job.header(info, job.user);
    Scratch().Release(block);
    return result < 0 ? result : IMG_OK;
}

int DetectType(Stream& in, uint64_t start)
{
    uint8_t b[10] = {};
    size_t got = in.Seek(start) ? in.Read(b, sizeof b) : 0;
    auto word = [&] { return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24; };
    int type = IMG_ERR_UNSUPPORTED;
    if (got >= 2 && ((b[0] == 'M' && b[1] == 'M') || (b[0] == 'I' && b[1] == 'I')))
        type = IMG_TYPE_TIFF;
    else if (got >= 3 && std::memcmp(b, "GIF", 3) == 0)
        type = IMG_TYPE_GIF;
    else if (got >= 2 && b[0] == 'B' && b[1] == 'M')
        type = IMG_TYPE_BMP;
    else if (got >= 4 && word() == 0xC6D3D0C5u)
        type = IMG_TYPE_EPS;
    else if (got >= 4 && word() == 0x3ADE68B1u)
        type = IMG_TYPE_DCX;
    else if (got >= 2 && b[0] == 0xFF && b[1] == 0xD8)
        type = IMG_TYPE_JPEG;
    else if (got >= 4 && std::memcmp(b + 1, "WPC", 3) == 0)
        type = IMG_TYPE_WPG;
    else if (got >= 1 && b[0] == 10)
        type = IMG_TYPE_PCX;
    // A metafile without the placeable header begins 1 or 2, 0, 9, 0: its third
    // byte would pass for a run-length Targa.
    else if (got >= 6 && (b[0] == 1 || b[0] == 2) && b[1] == 0 && b[2] == 9 && b[3] == 0 &&
             (b[5] == 1 || b[5] == 3) && b[4] == 0)
        type = IMG_TYPE_WMF;
    else if (got >= 3 && (b[2] == 1 || b[2] == 2 || b[2] == 3 || b[2] == 9 || b[2] == 10 || b[2] == 11))
        type = IMG_TYPE_TARGA;
    else if ((got >= 4 && word() == 0x9AC6CDD7u) || (got >= 1 && b[0] == 1) || (got >= 2 && b[1] == 2))
        type = IMG_TYPE_WMF;
    else if (got == sizeof b) {
        uint8_t p[10] = {};
        if (in.Seek(start + 522) && in.Read(p, 2) == 2 && (p[0] == 17 || p[1] == 17))
            type = IMG_TYPE_PICT;
    }
    in.Seek(0);
    return type;
}

}   // namespace vantor

using namespace vantor;

namespace {
struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            close(fd);
    }
};

// The length-less memory calls: the caller vouches for the buffer's size.
constexpr size_t kUnbounded = kUnknownLength;

// The buffer of the last memory call, which file value IMG_MEMORY_FILE names.
uint8_t* memoryBase = nullptr;
size_t memoryLength = 0;

Stream Memory(const void* buffer, size_t length)
{
    memoryBase = static_cast<uint8_t*>(const_cast<void*>(buffer));
    memoryLength = buffer ? length : 0;
    return Stream::OverMemory(memoryBase, memoryLength);
}

Stream StreamFor(int file)
{
    if (file == IMG_MEMORY_FILE)
        return Stream::OverMemory(memoryBase, memoryLength);
    return Stream::OverFile(file);
}

// A picture file opened for reading: regular files only, so a FIFO or device
// named like a picture is refused instead of waited on.
int OpenPicture(const char* path)
{
    return path && *path ? velmora::OpenRegularFile(path) : -1;
}

// The engine's code for a save whose pixels were written but whose file could
// not be put in place (errno from the atomic writer).
int32_t CommitError(int error)
{
    return error == ENOSPC || error == EIO || error == EDQUOT || error == EFBIG ? IMG_ERR_WRITE : IMG_ERR_CREATE;
}

// Saves into a new file beside `path` that replaces it only when complete; a
// page-adding type works on a copy of an existing file. Either way a failure
// leaves what was at `path` as it was.
int32_t SaveReplacing(IMG_HANDLE handle, const char* path, uint32_t type)
{
    constexpr int32_t kNotStarted = 1;
    int32_t result = kNotStarted;
    auto save = [&](int fd) {
        result = IMG_save_bitmap_fd(handle, fd, uint16_t(type));
        return result >= 0;
    };
    bool done = AddsPage(type) && velmora::UpdateFileAtomically(path, save);
    if (!done && result == kNotStarted && (!AddsPage(type) || errno == ENOENT))
        done = velmora::WriteFileAtomically(path, save);
    if (done)
        return result;
    return result == kNotStarted || result >= 0 ? CommitError(errno) : result;
}
}   // namespace

extern "C" {

int32_t IMGLOW_decompress_bitmap(IMG_HANDLE* out, int file, int32_t offset, int16_t page,
                                 IMG_LINE_CB line, void* user, IMG_HEADER_CB header)
{
    Stream in = StreamFor(file);
    return Decompress(out, in, offset, page, line, user, header);
}

int32_t IMGLOW_decompress_bitmap_mem_len(IMG_HANDLE* out, const void* buffer, uint32_t length,
                                         int16_t page, IMG_LINE_CB line, void* user,
                                         IMG_HEADER_CB header)
{
    Stream in = Memory(buffer, length);
    return Decompress(out, in, 0, page, line, user, header);
}

int32_t IMGLOW_decompress_bitmap_mem(IMG_HANDLE* out, void* buffer, int16_t page, IMG_LINE_CB line,
                                     void* user, IMG_HEADER_CB header)
{
    Stream in = Memory(buffer, kUnbounded);
    return Decompress(out, in, 0, page, line, user, header);
}

int32_t IMG_decompress_bitmap_fd(IMG_HANDLE* out, int file, int32_t offset, int16_t page)
{
    Stream in = StreamFor(file);
    return LoadNew(out, in, offset, page);
}

int32_t IMG_decompress_bitmap(IMG_HANDLE* out, const char* path)
{
    Fd f{OpenPicture(path)};
    if (f.fd < 0)
        return IMG_ERR_OPEN;
    return IMG_decompress_bitmap_fd(out, f.fd, 0, 0);
}

int32_t IMG_decompress_bitmap_mem_len(IMG_HANDLE* out, const void* buffer, uint32_t length,
                                      int16_t page)
{
    Stream in = Memory(buffer, length);
    return LoadNew(out, in, 0, page);
}

int32_t IMG_decompress_bitmap_mem(IMG_HANDLE* out, void* buffer, int16_t page)
{
    Stream in = Memory(buffer, kUnbounded);
    return LoadNew(out, in, 0, page);
}

int32_t IMG_create_handle(IMG_HANDLE* out, const BITMAPINFO* dib)
{
    if (!out || !dib)
        return IMG_ERR_CONTENT;
    const BITMAPINFOHEADER& h = dib->bmiHeader;
    if (!DepthHeld(h.biBitCount))
        return IMG_ERR_UNSUPPORTED;
    auto* record = new Record;
    ScratchScope scope;
    int result = FrameHeader(const_cast<BITMAPINFO*>(dib), record);
    if (result < 0) {
        delete record;
        return result;
    }
    const auto* rows = reinterpret_cast<const uint8_t*>(dib) + sizeof(BITMAPINFOHEADER) + record->TableBytes();
    for (uint32_t i = 0; i < record->height; ++i)
        FrameLine(rows + size_t(i) * record->stride, record, int16_t(record->height - 1 - i),
                  int16_t(record->stride));
    *out = AllocateHandle(record);
    return IMG_OK;
}

int32_t IMGLOW_save_bitmap(int file, BITMAPINFO* header, uint16_t type, IMG_ROW_CB row, void* user)
{
    Stream out = StreamFor(file);
    return Save(out, header, type, row, user);
}

int32_t IMGLOW_save_bitmap_mem_len(void* buffer, uint32_t capacity, BITMAPINFO* header, int16_t type,
                                   IMG_ROW_CB row, void* user, uint32_t* written)
{
    Stream out = Memory(buffer, capacity);
    int result = Save(out, header, uint16_t(type), row, user);
    if (written)
        *written = result < 0 ? 0 : uint32_t(out.Size());
    return result < 0 ? result : IMG_OK;
}

int32_t IMGLOW_save_bitmap_mem(void* buffer, BITMAPINFO* header, int16_t type, IMG_ROW_CB row,
                               void* user)
{
    Stream out = Memory(buffer, kUnbounded);
    int result = Save(out, header, uint16_t(type), row, user);
    return result < 0 ? result : IMG_OK;
}

int32_t IMG_save_bitmap_fd(IMG_HANDLE handle, int file, uint16_t type)
{
    Stream out = StreamFor(file);
    return SaveHandle(handle, out, type);
}

int32_t IMG_save_bitmap_mem_len(IMG_HANDLE handle, void* buffer, uint32_t capacity, int16_t type,
                                uint32_t* written)
{
    Stream out = Memory(buffer, capacity);
    int result = SaveHandle(handle, out, uint16_t(type));
    if (written)
        *written = result < 0 ? 0 : uint32_t(out.Size());
    return result < 0 ? result : IMG_OK;
}

int32_t IMG_save_bitmap_mem(IMG_HANDLE handle, void* buffer, int16_t type)
{
    Stream out = Memory(buffer, kUnbounded);
    int result = SaveHandle(handle, out, uint16_t(type));
    return result < 0 ? result : IMG_OK;
}

int32_t IMG_save_bitmap(IMG_HANDLE handle, const char* path, uint16_t type)
{
    if (!Lookup(handle))
        return IMG_ERR_HANDLE;
    if (!path || !*path)
        return IMG_ERR_CREATE;
    return SaveReplacing(handle, path, type >= IMG_TYPE_BY_EXTENSION ? TypeFromPath(path) : type);
}

int32_t IMGLOW_get_filetype(const char* path)
{
    Fd f{OpenPicture(path)};
    if (f.fd < 0)
        return IMG_ERR_OPEN;
    Stream in = StreamFor(f.fd);
    return DetectType(in, 0);
}

int32_t IMGLOW_get_bitmap_header(IMG_HANDLE handle, void* dest)
{
    Record* record = Lookup(handle);
    if (!record || !record->store)
        return IMG_ERR_HANDLE;
    if (!dest)
        return IMG_ERR_CONTENT;
    std::memcpy(dest, GlobalBytes(record->store).data(), sizeof(BITMAPINFOHEADER) + record->TableBytes());
    return IMG_OK;
}

int32_t IMGLOW_get_bitmap_name(char* text, char* date)
{
    if (text)
        std::memcpy(text, identText, sizeof identText);
    if (date)
        std::memcpy(date, dateText, sizeof dateText);
    return IMG_OK;
}

int32_t IMGLOW_set_bitmap_name(const char* text, const char* date)
{
    if (text) {
        std::strncpy(identText, text, sizeof identText - 1);
        identText[sizeof identText - 1] = 0;
    }
    if (date) {
        std::strncpy(dateText, date, sizeof dateText - 1);
        dateText[sizeof dateText - 1] = 0;
    }
    return IMG_OK;
}

int32_t IMG_bitmap_info(HGLOBAL* dib, IMG_HANDLE handle, uint16_t* width, uint16_t* height,
                        uint16_t* bits)
{
    Record* record = Lookup(handle);
    if (!record || !record->store)
        return IMG_ERR_HANDLE;
    if (dib)
        *dib = record->store;
    const BITMAPINFOHEADER& h = record->Header();
    if (width)
        *width = uint16_t(h.biWidth);
    if (height)
        *height = uint16_t(h.biHeight);
    if (bits)
        *bits = h.biBitCount;
    return IMG_OK;
}

int32_t IMG_get_croprect(IMG_HANDLE handle, uint16_t* left, uint16_t* top, uint16_t* width,
                         uint16_t* height)
{
    Record* record = Lookup(handle);
    if (!record)
        return IMG_ERR_HANDLE;
    if (left)
        *left = record->cropLeft;
    if (top)
        *top = record->cropTop;
    if (width)
        *width = record->cropWidth;
    if (height)
        *height = record->cropHeight;
    return IMG_OK;
}

int32_t IMG_set_croprect(IMG_HANDLE handle, uint16_t left, uint16_t top, uint16_t width,
                         uint16_t height)
{
    Record* record = Lookup(handle);
    if (!record)
        return IMG_ERR_HANDLE;
    record->cropLeft = left;
    record->cropTop = top;
    record->cropWidth = width;
    record->cropHeight = height;
    return IMG_OK;
}

int32_t IMG_delete_bitmap(IMG_HANDLE handle)
{
    Record* record = Lookup(handle);
    if (!record)
        return IMG_ERR_HANDLE;
    if (record->savedTable)
        GlobalFree(record->savedTable);
    if (record->store)
        GlobalFree(record->store);
    if (record->palette)
        DeleteObject(record->palette);
    FreeHandle(handle);
    delete record;
    return IMG_OK;
}

const char* IMG_error_text(int32_t code)
{
    switch (code) {
    case IMG_OK: return "no error";
    case IMG_ERR_MEMORY: return "out of memory";
    case IMG_ERR_OPEN: return "cannot open the file, or the page is missing";
    case IMG_ERR_CONTENT: return "the file is not a valid picture of its format";
    case IMG_ERR_DEVICE: return "no usable bitmap on the clipboard or device";
    case IMG_ERR_UNSUPPORTED: return "unsupported file type or colour depth";
    case IMG_ERR_HANDLE: return "bad bitmap handle";
    case IMG_ERR_CREATE: return "cannot create the output file";
    case IMG_ERR_TIFF_PAGE: return "the TIFF page does not exist";
    case IMG_ERR_WRITE: return "writing the output failed";
    default: return "unknown error";
    }
}

}   // extern "C"
