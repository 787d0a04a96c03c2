// Small files that declare huge pictures: each reader refuses them before the
// picture's store is allocated, and the memory limit refuses what would pass it.
#include <gtest/gtest.h>

#include <cstring>

#include "jpeg.h"
#include "test_util.h"

using namespace vtest;

namespace {

using Bytes = std::vector<uint8_t>;

// Well above what a refused load allocates (its scratch blocks and tables),
// far below any picture store these files ask for.
constexpr long kSmallMb = 48;

void Put16(Bytes& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void Put32(Bytes& b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

void PutBig16(Bytes& b, uint32_t v)
{
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}

// An 8-bit BMP header with a grey table; the run-length or raw rows follow.
Bytes Bmp8(uint32_t width, uint32_t height, uint32_t compression, const Bytes& rows)
{
    Bytes f = {'B', 'M'};
    Put32(f, uint32_t(54 + 1024 + rows.size()));   // file size
    Put32(f, 0);
    Put32(f, 54 + 1024);                            // rows offset
    Put32(f, 40);                                   // header size
    Put32(f, width);
    Put32(f, height);
    Put16(f, 1);                                    // planes
    Put16(f, 8);                                    // bits
    Put32(f, compression);
    Put32(f, uint32_t(rows.size()));
    Put32(f, 0), Put32(f, 0), Put32(f, 256), Put32(f, 0);
    for (int i = 0; i < 256; ++i)
        f.insert(f.end(), {uint8_t(i), uint8_t(i), uint8_t(i), 0});
    f.insert(f.end(), rows.begin(), rows.end());
    return f;
}

// A grey baseline JPEG with the standard's example luminance tables, whose
// scan is `scanBytes` zero bytes.
Bytes GreyJpeg(uint32_t width, uint32_t height, size_t scanBytes)
{
    namespace jpeg = vantor::jpeg;
    Bytes f = {0xFF, 0xD8};
    f.insert(f.end(), {0xFF, 0xDB, 0, 67, 0});   // DQT: 8-bit table 0, all ones
    f.insert(f.end(), 64, 1);
    f.insert(f.end(), {0xFF, 0xC0, 0, 11, 8});   // SOF0: 8-bit samples
    PutBig16(f, height);
    PutBig16(f, width);
    f.insert(f.end(), {1, 1, 0x11, 0});          // one component, 1 x 1, table 0
    for (auto [spec, slot] : {std::pair{&jpeg::kLumaDc, 0x00}, {&jpeg::kLumaAc, 0x10}}) {
        int symbols = 0;
        for (uint8_t c : spec->counts)
            symbols += c;
        f.insert(f.end(), {0xFF, 0xC4});
        PutBig16(f, uint32_t(3 + 16 + symbols));
        f.push_back(uint8_t(slot));
        f.insert(f.end(), spec->counts, spec->counts + 16);
        f.insert(f.end(), spec->values, spec->values + symbols);
    }
    f.insert(f.end(), {0xFF, 0xDA, 0, 8, 1, 1, 0x00, 0, 63, 0});   // SOS
    f.insert(f.end(), scanBytes, 0);
    f.insert(f.end(), {0xFF, 0xD9});
    return f;
}

// A WPG file holding one version 1 bitmap record whose run code is `code`.
Bytes Wpg(uint32_t width, uint32_t height, int depth, const Bytes& code)
{
    Bytes f = {0xFF, 'W', 'P', 'C', 16, 0, 0, 0, 1, 22, 1, 0, 0, 0, 0, 0};
    f.insert(f.end(), {0x0B, 0xFF});
    Put16(f, uint32_t(10 + code.size()));
    Put16(f, width), Put16(f, height), Put16(f, uint32_t(depth)), Put16(f, 75), Put16(f, 75);
    f.insert(f.end(), code.begin(), code.end());
    f.insert(f.end(), {0x10, 0});
    return f;
}

void ExpectRefusedSmall(const Bytes& file, int code, const char* what)
{
    const ChildLoad load = LoadInChild(file);
    EXPECT_EQ(load.result, code) << what;
    EXPECT_GE(load.peakRiseMb, 0) << what << ": the child did not report";
    EXPECT_LT(load.peakRiseMb, kSmallMb) << what;
}

// The cases seen: a 1 KB run-length BMP of 32764 x 32767 pixels asked for a
// gigabyte; a JPEG of zero data for as much.
TEST(Memory, SmallFilesDeclaringHugePicturesAreRefusedBeforeAllocating)
{
    ExpectRefusedSmall(Bmp8(32764, 32767, BI_RLE8, {0, 1}), IMG_ERR_CONTENT, "run-length BMP");
    // Two bytes a row short of what the rows need.
    ExpectRefusedSmall(Bmp8(32764, 32767, BI_RLE8, Bytes(2 * 32767 - 2, 0)), IMG_ERR_CONTENT,
                       "run-length BMP one row short");
    // Every block of the example tables takes at least five bits; 4.2 MB would
    // do for two.
    ExpectRefusedSmall(GreyJpeg(32764, 32767, 4096 * 4096 / 4), IMG_ERR_CONTENT, "JPEG of zero data");
    ExpectRefusedSmall(Wpg(32764, 32767, 8, {0x80, 0xFF, 0x00, 0xFF}), IMG_ERR_CONTENT, "WPG of row repeats");
}

TEST(Memory, TheLeastDataTheReadersDemandStillLoads)
{
    // Every run-length row its end mark: the picture is there, blank.
    Bytes rows;
    for (int y = 0; y < 300; ++y)
        rows.insert(rows.end(), {0, 0});
    int result = -1;
    IMG_HANDLE h = LoadMem(Bmp8(2000, 300, BI_RLE8, rows), &result);
    EXPECT_EQ(result, IMG_OK);
    IMG_delete_bitmap(h);
    // A flat grey JPEG of eight blocks, six bits each: the luminance DC code 00
    // for no change, and EOB as 1010.
    Bytes jpeg = GreyJpeg(64, 8, 6);
    const uint8_t blocks[6] = {0x28, 0xA2, 0x8A, 0x28, 0xA2, 0x8A};
    std::memcpy(jpeg.data() + jpeg.size() - 2 - sizeof blocks, blocks, sizeof blocks);
    h = LoadMem(jpeg, &result);
    EXPECT_EQ(result, IMG_OK);
    if (h)
        EXPECT_EQ(RawAt(h, 63, 7), 128u);
    IMG_delete_bitmap(h);
}

// The limit counts the picture's whole store: header, table and rows.
TEST(Memory, TheLimitRefusesLargerPicturesAndCanBeRestored)
{
    const Bytes file = Bmp8(1000, 1000, BI_RGB, Bytes(1000 * 1000, 7));
    const uint64_t store = 40 + 1024 + 1000 * 1000;
    EXPECT_EQ(IMG_set_memory_limit(store - 1), uint64_t(1) << 30);
    int result = 0;
    IMG_HANDLE h = LoadMem(file, &result);
    EXPECT_EQ(result, IMG_ERR_MEMORY);
    EXPECT_EQ(h, 0u);
    // Handles made from a DIB are pictures too.
    const Bytes dib(file.begin() + 14, file.end());
    EXPECT_EQ(IMG_create_handle(&h, reinterpret_cast<const BITMAPINFO*>(dib.data())), IMG_ERR_MEMORY);
    IMG_set_memory_limit(store);
    h = LoadMem(file, &result);
    EXPECT_EQ(result, IMG_OK);
    IMG_delete_bitmap(h);
    EXPECT_EQ(IMG_set_memory_limit(0), store);
    EXPECT_EQ(IMG_set_memory_limit(0), uint64_t(1) << 30);
}

}   // namespace
