// Bitmap handles, their records and the frame's own reader callbacks.
#include <cstring>

#include "engine.h"

namespace vantor {

namespace {
// slots.size() is the table's room; tableSize the number of slots in use, slot 0 included.
std::vector<Record*> slots;
uint32_t tableSize = 0;
uint64_t memoryLimit = kDefaultMemoryLimit;
}   // namespace

uint64_t MemoryLimit()
{
    return memoryLimit;
}

uint64_t StoreBytes(uint32_t width, uint32_t height, int bits)
{
    const uint64_t rows = (uint64_t(height) + 3) & ~uint64_t(3);
    return sizeof(BITMAPINFOHEADER) + 4 * uint64_t(ColourEntries(bits)) + uint64_t(DibRowBytes(LONG(width), WORD(bits))) * rows;
}

int WithinBudget(uint64_t bytes)
{
    return bytes > memoryLimit ? IMG_ERR_MEMORY : IMG_OK;
}

const BITMAPINFOHEADER& Record::Header() const
{
    return *reinterpret_cast<const BITMAPINFOHEADER*>(GlobalBytes(store).data());
}

uint32_t Record::TableBytes() const
{
    return 4 * ColourEntries(Header().biBitCount);
}

uint8_t* Record::Rows()
{
    return GlobalBytes(store).data() + sizeof(BITMAPINFOHEADER) + TableBytes();
}

IMG_HANDLE AllocateHandle(Record* record)
{
    if (tableSize == 0) {
        slots.assign(3, nullptr);
        tableSize = 2;
        slots[1] = record;
        return 1;
    }
    for (uint32_t i = 1; i < tableSize; ++i) {
        if (!slots[i]) {
            slots[i] = record;
            return i;
        }
    }
    if (slots.size() < size_t(tableSize) + 1)
        slots.resize(size_t(tableSize) + 1, nullptr);
    slots[tableSize] = record;
    return tableSize++;
}

void FreeHandle(IMG_HANDLE handle)
{
    if (!Lookup(handle))
        return;
    slots[handle] = nullptr;
    if (handle != tableSize - 1)
        return;
    if (tableSize == 2) {
        std::vector<Record*>().swap(slots);
        tableSize = 0;
    } else {
        --tableSize;
    }
}

Record* Lookup(IMG_HANDLE handle)
{
    if (handle == 0 || handle >= tableSize)
        return nullptr;
    return slots[handle];
}

uint32_t HandleTableSize()
{
    return tableSize;
}

bool DepthHeld(int bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

uint32_t ColourEntries(int bits)
{
    return bits <= 8 ? 1u << bits : 0;
}

int AdoptStore(Record& record, std::vector<uint8_t>&& dib)
{
    if (dib.size() < sizeof(BITMAPINFOHEADER))
        return IMG_ERR_MEMORY;
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib.data(), sizeof h);
    if (!DepthHeld(h.biBitCount) || h.biWidth <= 0 || h.biHeight <= 0)
        return IMG_ERR_UNSUPPORTED;
    uint32_t stride = DibRowBytes(h.biWidth, h.biBitCount);
    if (dib.size() < sizeof h + 4 * ColourEntries(h.biBitCount) + size_t(stride) * h.biHeight)
        return IMG_ERR_MEMORY;
    if (record.store)
        GlobalFree(record.store);
    record.store = GlobalAdopt(std::move(dib));
    record.width = uint32_t(h.biWidth);
    record.height = uint32_t(h.biHeight);
    record.stride = stride;
    return IMG_OK;
}

int16_t FrameHeader(BITMAPINFO* info, void* user)
{
    auto* record = static_cast<Record*>(user);
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (!DepthHeld(h.biBitCount) || h.biWidth <= 0 || h.biHeight <= 0 || h.biWidth > 65535 ||
        uint32_t(h.biHeight) > kMaxRows)
        return IMG_ERR_UNSUPPORTED;
    uint32_t stride = DibRowBytes(h.biWidth, h.biBitCount);
    if (stride > kMaxRowBytes)
        return IMG_ERR_UNSUPPORTED;
    uint32_t table = 4 * ColourEntries(h.biBitCount);
    const uint64_t size = StoreBytes(uint32_t(h.biWidth), uint32_t(h.biHeight), h.biBitCount);
    if (int r = WithinBudget(size); r < 0)
        return int16_t(r);
    HGLOBAL store = GlobalAlloc(GHND, size_t(size));
    if (!store)
        return IMG_ERR_MEMORY;
    uint8_t* bytes = GlobalBytes(store).data();
    std::memcpy(bytes, info, sizeof(BITMAPINFOHEADER) + table);
    if (record->store)
        GlobalFree(record->store);
    if (record->palette)
        DeleteObject(record->palette);
    *record = Record{};
    record->store = store;
    record->cropWidth = uint16_t(h.biWidth);
    record->cropHeight = uint16_t(h.biHeight);
    record->width = uint32_t(h.biWidth);
    record->height = uint32_t(h.biHeight);
    record->stride = stride;
    return IMG_OK;
}

int16_t FrameLine(const uint8_t* row, void* user, int16_t line, int16_t bytes)
{
    auto* record = static_cast<Record*>(user);
    if (!record->store || line < 0 || uint32_t(line) >= record->height || bytes < 0)
        return IMG_ERR_CONTENT;
    size_t n = std::min<size_t>(size_t(bytes), record->stride);
    std::memcpy(record->Rows() + size_t(record->height - 1 - uint32_t(line)) * record->stride, row, n);
    return IMG_OK;
}

uint8_t* FrameRow(void* user, uint32_t line)
{
    auto* record = static_cast<Record*>(user);
    if (!record->store || line >= record->height)
        return nullptr;
    return record->Rows() + size_t(record->height - 1 - line) * record->stride;
}

}   // namespace vantor

extern "C" uint64_t IMG_set_memory_limit(uint64_t bytes)
{
    const uint64_t before = vantor::memoryLimit;
    vantor::memoryLimit = bytes ? bytes : vantor::kDefaultMemoryLimit;
    return before;
}
