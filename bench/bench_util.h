// What every benchmark of the suite shares: the picture size and a scratch folder.
#pragma once

#include <cstdlib>
#include <string>

namespace bench {

// 12 megapixels, the size the speed goals are stated for.
constexpr int kWidth = 4000, kHeight = 3000;

// A folder of this run's own for the files the benchmarks write and read.
inline const std::string& ScratchDir()
{
    static const std::string dir = [] {
        char name[] = "/tmp/velmora_bench_XXXXXX";
        const char* made = mkdtemp(name);
        return std::string(made ? made : "/tmp");
    }();
    return dir;
}

}  // namespace bench
