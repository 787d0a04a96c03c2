// Feeds arbitrary bytes, read as a packed DIB, to every colour reduction.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "colour_reduce.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using Fn = int (*)(const uint8_t*, size_t, std::vector<uint8_t>&);
    static constexpr Fn kAll[] = {
        vantor::ColorGray,  vantor::BayerMono,      vantor::HalftoneMono,    vantor::DiffusionMono,
        vantor::BayerColor, vantor::DiffusionColor, vantor::PopularityColor, vantor::MedianCutColor,
    };
    // An exact-size copy, so a read past the end is caught.
    const std::vector<uint8_t> input(data, data + size);
    for (Fn fn : kAll) {
        std::vector<uint8_t> out;
        fn(input.data(), input.size(), out);
    }
    std::vector<uint8_t> copy = input;
    vantor::FillDefaultColourTable(copy.data(), copy.size(), "targa");
    return 0;
}
