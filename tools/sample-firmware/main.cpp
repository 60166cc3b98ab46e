// sample-firmware: writes the sample catalog's "brelk.bin", an image of our
// own for the simulated Brelk's loader. It is no firmware: a line saying so,
// then bytes of a fixed pseudo-random sequence, so every build writes the same.
//
//   sample-firmware <output file> <size in bytes>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr char kBanner[] = "Brelk client sample image V6.11 - invented bytes, not a firmware.";
// A 32-bit linear congruential sequence (Numerical Recipes' constants).
constexpr uint32_t kMultiplier = 1664525;
constexpr uint32_t kIncrement = 1013904223;
constexpr uint32_t kSeed = 0x6B72656C;
constexpr long kMaxSize = 1 << 20;

} // namespace

int main(int argc, char** argv)
{
    const long size = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 0;
    if (size <= 0 || size > kMaxSize) {
        std::fprintf(stderr, "usage: sample-firmware <output file> <size in bytes, 1 to %ld>\n", kMaxSize);
        return 2;
    }
    std::vector<uint8_t> image(static_cast<size_t>(size));
    uint32_t state = kSeed;
    for (uint8_t& byte : image) {
        state = state * kMultiplier + kIncrement;
        byte = static_cast<uint8_t>(state >> 24);
    }
    std::memcpy(image.data(), kBanner, std::min(image.size(), sizeof kBanner));
    FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(image.data(), 1, image.size(), out) != image.size()) {
        std::fprintf(stderr, "sample-firmware: cannot write %s\n", argv[1]);
        if (out)
            std::fclose(out);
        return 1;
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
