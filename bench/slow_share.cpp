// A share that answers like a NAS over Wi-Fi, for the benchmarks: the FUSE
// disc of the reliability tests mounted with a delay per request, holding
// folders of small photos. Serves until SIGTERM or SIGINT, then unmounts.
//
//   build/bench_slow_share MOUNTPOINT STAT_MS LISTING_MS READ_MS FOLDER:PHOTOS [FOLDER:PHOTOS ...]
//
// Each FOLDER ("Trip", "A/B") gets PHOTOS photos p00001.bmp ... (16 x 12 pixels).
// Prints "mounted" once the share answers. Needs root and /dev/fuse.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "../tests/reliability/PullableDisc.h"

namespace {

volatile std::sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }

// A 16 x 12 BMP of 24-bit pixels, one colour.
std::string SmallBmp(unsigned char shade) {
    const int w = 16, h = 12, row = w * 3, size = 54 + row * h;
    std::string b(static_cast<std::size_t>(size), '\0');
    auto put32 = [&](int at, unsigned v) {
        for (int i = 0; i < 4; ++i) b[static_cast<std::size_t>(at + i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<unsigned>(size));
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    b[26] = 1;
    b[28] = 24;
    for (int i = 54; i < size; ++i) b[static_cast<std::size_t>(i)] = static_cast<char>(i % 3 == 0 ? shade : 40);
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s MOUNTPOINT STAT_MS LISTING_MS READ_MS FOLDER:PHOTOS ...\n", argv[0]);
        return 2;
    }
    vellumo::testing::PullableDisc disc;
    for (int i = 5; i < argc; ++i) {
        const std::string spec = argv[i];
        const auto colon = spec.rfind(':');
        const std::string folder = spec.substr(0, colon);
        const int photos = colon == std::string::npos ? 0 : std::atoi(spec.c_str() + colon + 1);
        for (int p = 1; p <= photos; ++p) {
            char name[32];
            std::snprintf(name, sizeof name, "p%05d.bmp", p);
            disc.addFile(folder + "/" + name, SmallBmp(static_cast<unsigned char>(p * 7)));
        }
    }
    std::string why;
    if (!disc.mount(argv[1], &why)) {
        std::fprintf(stderr, "bench_slow_share: %s\n", why.c_str());
        return 1;
    }
    auto ms = [](const char* text) { return std::chrono::microseconds(static_cast<long>(std::atof(text) * 1000)); };
    disc.setDelays(ms(argv[2]), ms(argv[3]), ms(argv[4]));
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::printf("mounted\n");
    std::fflush(stdout);
    while (!gStop) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return 0;
}
