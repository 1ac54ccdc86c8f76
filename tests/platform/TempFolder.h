#pragma once
// A fresh folder under the system's temp folder for one test, removed with everything in it afterwards.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace qmtest {

class TempFolder {
public:
    TempFolder() {
        // A name nobody else holds: create_directory fails on an existing folder, so try the next.
        const auto base = std::filesystem::temp_directory_path();
        auto seed = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
        for (int i = 0; i < 100 && path_.empty(); ++i) {
            const auto p = base / ("qm-test-" + std::to_string(seed++ % 1000000007ULL));
            std::error_code ec;
            if (std::filesystem::create_directory(p, ec)) path_ = p.generic_string();
        }
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    // Writes raw bytes to a file in the folder and returns its path.
    std::string write(const std::string& name, const std::string& bytes) const {
        std::ofstream(*this / name, std::ios::binary) << bytes;
        return *this / name;
    }
    static std::string read(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::string path_;
};

} // namespace qmtest
