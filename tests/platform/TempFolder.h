#pragma once
// A fresh folder under the system's temp folder for one test, removed with everything in it afterwards.
// Under Wine the folder is made on Z: (the Linux root), so Linux programs a test starts see it too, and
// files are reached through the wide API: the C++ runtime's narrow paths and its remove_all do not
// cope with Chinese names there.
#include <chrono>
#include <string>

#include <filesystem>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include "platform/Text.h"
#include <windows.h>

#include <utility>
#include <vector>
#endif

namespace qmtest {

#ifdef _WIN32
inline std::wstring WidePath(const std::string& utf8) { return qm::Utf8ToWide(utf8); }
#endif

// A UTF-8 path as the runtime's file functions take it: wide on Windows.
inline std::filesystem::path Native(const std::string& utf8) {
#ifdef _WIN32
    return std::filesystem::path(WidePath(utf8));
#else
    return std::filesystem::path(utf8);
#endif
}

class TempFolder {
public:
    TempFolder() {
        // A name nobody else holds: making an existing folder fails, so try the next.
        auto seed = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
        for (int i = 0; i < 100 && path_.empty(); ++i) {
            const std::string p = Base() + "/qm-test-" + std::to_string(seed++ % 1000000007ULL);
            if (MakeFolder(p)) path_ = p;
        }
    }
    ~TempFolder() {
        if (!path_.empty()) RemoveTree(path_);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    // Writes raw bytes to a file in the folder and returns its path.
    std::string write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Native(*this / name), std::ios::binary) << bytes;
        return *this / name;
    }
    static std::string read(const std::string& p) {
        std::ifstream in(Native(p), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static bool MakeFolder(const std::string& p) {
        std::error_code ec;
        return std::filesystem::create_directory(Native(p), ec);
    }

private:
    static std::string Base() {
#ifdef _WIN32
        return "Z:/tmp";
#else
        return std::filesystem::temp_directory_path().generic_string();
#endif
    }
    static void RemoveTree(const std::string& p) {
#ifdef _WIN32
        const std::wstring w = WidePath(p);
        // Names first, deletions after: a folder changed while it is listed may skip entries.
        std::vector<std::pair<std::wstring, bool>> children;
        WIN32_FIND_DATAW fd;
        HANDLE f = FindFirstFileW((w + L"\\*").c_str(), &fd);
        if (f != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = fd.cFileName;
                if (name != L"." && name != L"..")
                    children.emplace_back(w + L"\\" + name, (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
            } while (FindNextFileW(f, &fd));
            FindClose(f);
        }
        for (const auto& [child, folder] : children) {
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (folder) RemoveTree(qm::WideToUtf8(child));
            else DeleteFileW(child.c_str());
        }
        RemoveDirectoryW(w.c_str());
#else
        std::error_code ec;
        std::filesystem::remove_all(p, ec);
#endif
    }

    std::string path_;
};

} // namespace qmtest
