// Makes the program's three sounds at build time: the shutter click and the
// two self-timer warning beeps, as 16-bit mono PCM wave files.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

bool WriteWave(const std::string& path, const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> file;
    const uint32_t data = uint32_t(samples.size() * 2);
    file.insert(file.end(), {'R', 'I', 'F', 'F'});
    Put32(file, 36 + data);
    file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(file, 16);
    Put16(file, 1);            // PCM
    Put16(file, 1);            // mono
    Put32(file, kRate);
    Put32(file, kRate * 2);
    Put16(file, 2);
    Put16(file, 16);
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    Put32(file, data);
    for (int16_t s : samples)
        Put16(file, uint16_t(s));
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    bool ok = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && ok;
}

int16_t Clip(double v)
{
    v = std::fmax(-1.0, std::fmin(1.0, v));
    return int16_t(std::lround(v * 32000));
}

// A beep with soft edges, so it starts and stops without a crack.
std::vector<int16_t> Beep(double frequency, double seconds)
{
    const int n = int(seconds * kRate);
    const int edge = kRate / 200;
    std::vector<int16_t> s(size_t(n), 0);
    for (int i = 0; i < n; ++i) {
        double envelope = std::fmin(1.0, std::fmin(double(i) / edge, double(n - 1 - i) / edge));
        double t = double(i) / kRate;
        double tone = std::sin(2 * kPi * frequency * t) + 0.25 * std::sin(4 * kPi * frequency * t);
        s[size_t(i)] = Clip(0.5 * envelope * tone);
    }
    return s;
}

// A shutter: a sharp first snap (the blades opening), a softer second one
// 45 ms later (closing), each a burst of decaying noise over a low knock.
std::vector<int16_t> Click()
{
    const int n = int(0.12 * kRate);
    std::vector<int16_t> s(size_t(n), 0);
    uint32_t noise = 0x12345678;
    auto snap = [&](int start, double loudness, double decay) {
        for (int i = start; i < n; ++i) {
            double t = double(i - start) / kRate;
            noise = noise * 1664525u + 1013904223u;
            double white = (double(noise >> 8) / double(1u << 24)) * 2 - 1;
            double knock = std::sin(2 * kPi * 180 * t);
            double v = loudness * std::exp(-t / decay) * (0.7 * white + 0.5 * knock);
            s[size_t(i)] = Clip(double(s[size_t(i)]) / 32000 + v);
        }
    };
    snap(0, 0.9, 0.004);
    snap(int(0.045 * kRate), 0.55, 0.006);
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sounds <folder>\n");
        return 2;
    }
    std::string folder = std::string(argv[1]) + "/";
    bool ok = WriteWave(folder + "CLICK.WAV", Click()) && WriteWave(folder + "low.wav", Beep(523.25, 0.15)) &&
              WriteWave(folder + "high.wav", Beep(1046.5, 0.15));
    if (!ok)
        std::fprintf(stderr, "make_sounds: cannot write into %s\n", argv[1]);
    return ok ? 0 : 1;
}
