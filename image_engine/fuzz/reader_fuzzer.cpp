// One template for every reader's fuzz target: VANTOR_FUZZ_READER names the
// reader under test, or 0 for the whole load path with detection. A picture
// that loads is written back through every writer, so the writers see it too.
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine.h"

namespace {

// Pictures beyond a quarter gigabyte are refused as loads beyond the engine's
// limit are, so fuzzing stays within its memory.
constexpr uint64_t kFuzzMemoryLimit = uint64_t(256) << 20;

[[maybe_unused]] void WriteEverywhere(vantor::Record& record)
{
    IMG_HANDLE handle = 0;
    if (IMG_create_handle(&handle, reinterpret_cast<const BITMAPINFO*>(GlobalBytes(record.store).data())) < 0)
        return;
    static std::vector<uint8_t> out(8 << 20);
    uint32_t written = 0;
    for (int type : {IMG_TYPE_BMP, IMG_TYPE_BMP_RLE, IMG_TYPE_PCX, IMG_TYPE_TARGA, IMG_TYPE_DCX, IMG_TYPE_GIF, IMG_TYPE_JPEG})
        IMG_save_bitmap_mem_len(handle, out.data(), uint32_t(out.size()), int16_t(type), &written);
    for (int type : {IMG_TYPE_WMF, IMG_TYPE_WPG, IMG_TYPE_PICT})
        IMG_save_bitmap_mem_len(handle, out.data(), uint32_t(out.size()), int16_t(type), &written);
    for (int type : {IMG_TYPE_TIFF, IMG_TYPE_TIFF_LZW, IMG_TYPE_TIFF_G4})
        IMG_save_bitmap_mem_len(handle, out.data(), uint32_t(out.size()), int16_t(type), &written);
    IMG_delete_bitmap(handle);
}

int RunReader(vantor::Stream& in, uint32_t start, vantor::Record& record)
{
    using namespace vantor;
    ScratchScope scope;
    ReadJob job{in, start, FrameLine, &record, FrameHeader};
    job.rowAt = FrameRow;
#if VANTOR_FUZZ_DIRECT
    return VANTOR_FUZZ_READER(job);
#else
    (void)job;   // detection alone: no reader runs
    int type = DetectType(in, 0);
    return type < 0 ? type : IMG_OK;
#endif
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace vantor;
    static const uint64_t firstLimit = IMG_set_memory_limit(kFuzzMemoryLimit);
    (void)firstLimit;
#if VANTOR_FUZZ_DIRECT
    for (uint32_t start : {0u, 1u | kPageFlag}) {
        Stream in = Stream::OverMemory(const_cast<uint8_t*>(data), size);
        Record record;
        int result = RunReader(in, start, record);
        if (result >= 0 && record.store)
            WriteEverywhere(record);
        if (record.store)
            GlobalFree(record.store);
    }
#else
    Stream in = Stream::OverMemory(const_cast<uint8_t*>(data), size);
    Record unused;
    RunReader(in, 0, unused);
    IMG_HANDLE handle = 0;
    if (IMG_decompress_bitmap_mem_len(&handle, data, uint32_t(size), 0) >= 0)
        IMG_delete_bitmap(handle);
#endif
    return 0;
}
