// The copy kept before a repair against cp on the same disk: a file of 1 GiB (or the MiB given) in a
// folder of the disk to measure (default /var/tmp), copied by the file layer's CopyNew and by
// `cp` + `sync` (the kept copy is on the disk when CopyNew returns, so cp's must be too). Best of three
// each; prints MB/s and the ratio. Not a test: prints figures.
#include "platform/LocalFileSystem.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

double Time(const std::function<bool()>& run) {
    const auto t0 = std::chrono::steady_clock::now();
    if (!run()) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

int main(int argc, char** argv) {
    const std::uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    const std::string folder =
        (argc > 2 ? std::string(argv[2]) : "/var/tmp") + "/qm-copy-bench-" + std::to_string(::getpid());
    std::filesystem::create_directories(folder);
    const std::string from = folder + "/UFDATA.MDF";
    {
        std::ofstream out(from, std::ios::binary);
        std::vector<char> block(1 << 20);
        for (size_t i = 0; i < block.size(); ++i) block[i] = char(i * 131 + 7);
        for (std::uint64_t i = 0; i < mib; ++i) out.write(block.data(), std::streamsize(block.size()));
    }
    ::sync();
    qm::LocalFileSystem fs;
    double ours = 1e30, cp = 1e30;
    for (int run = 0; run < 3; ++run) {
        const std::string a = folder + "/copy-" + std::to_string(run), b = folder + "/cp-" + std::to_string(run);
        std::string error;
        const double t = Time([&] {
            return fs.CopyNew(
                from, a, [](std::uint64_t, std::uint64_t) { return true; }, error);
        });
        if (t < 0) return std::fprintf(stderr, "CopyNew: %s\n", error.c_str()), 1;
        const std::string cmd = "cp '" + from + "' '" + b + "' && sync '" + b + "'";
        const double u = Time([&] { return std::system(cmd.c_str()) == 0; });
        if (u < 0) return std::fprintf(stderr, "cp failed\n"), 1;
        ours = std::min(ours, t), cp = std::min(cp, u);
        std::filesystem::remove(a), std::filesystem::remove(b);
    }
    std::filesystem::remove_all(folder);
    const double mb = double(mib) * 1.048576;
    std::printf("%llu MiB: CopyNew %.0f MB/s (%.2f s), cp + sync %.0f MB/s (%.2f s), ratio %.2f\n",
                static_cast<unsigned long long>(mib), mb / ours, ours, mb / cp, cp, cp / ours);
    return 0;
}
