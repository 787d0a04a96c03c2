// The colour reduction exports: each hands the picture's packed DIB to its
// reduction and takes the result over as the new pixel store.
#include "colour_reduce.h"
#include "engine.h"

using namespace vantor;

namespace {

using Reduction = int (*)(const uint8_t*, size_t, std::vector<uint8_t>&);

int Reduce(IMG_HANDLE handle, Reduction reduce)
{
    Record* record = Lookup(handle);
    if (!record || !record->store)
        return IMG_ERR_HANDLE;
    const std::span<uint8_t> dib = GlobalBytes(record->store);
    std::vector<uint8_t> out;
    record->headerPointer = dib.data();
    int result = reduce(dib.data(), dib.size(), out);
    record->headerPointer = nullptr;
    if (result < 0)
        return result;
    result = AdoptStore(*record, std::move(out));
    if (result < 0)
        return result;
    if (record->savedTable) {
        GlobalFree(record->savedTable);
        record->savedTable = nullptr;
        record->savedTableAddress = nullptr;
    }
    return IMG_OK;
}

}   // namespace

extern "C" {
int32_t IMG_color_gray(IMG_HANDLE h) { return Reduce(h, ColorGray); }
int32_t IMG_bayer_mono(IMG_HANDLE h) { return Reduce(h, BayerMono); }
int32_t IMG_halftone_mono(IMG_HANDLE h) { return Reduce(h, HalftoneMono); }
int32_t IMG_diffusion_mono(IMG_HANDLE h) { return Reduce(h, DiffusionMono); }
int32_t IMG_bayer_color(IMG_HANDLE h) { return Reduce(h, BayerColor); }
int32_t IMG_diffusion_color(IMG_HANDLE h) { return Reduce(h, DiffusionColor); }
int32_t IMG_popularity_color(IMG_HANDLE h) { return Reduce(h, PopularityColor); }
int32_t IMG_mediancut_color(IMG_HANDLE h) { return Reduce(h, MedianCutColor); }
}
