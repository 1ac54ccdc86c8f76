#pragma once
// A file layer that refuses every deletion or move of chosen files with a chosen description, as a
// file the server holds open is refused; everything else goes to the real layer.
#include "platform/FileSystem.h"

#include <map>
#include <string>
#include <vector>

namespace qme2e {

class FaultFileSystem final : public qm::FileSystem {
public:
    explicit FaultFileSystem(qm::FileSystem& inner) : inner_(inner) {}

    // A path without a folder names a file in `dataDir`. Later faults for the same path replace earlier.
    void AddFault(const std::string& path, const std::string& text, const std::string& dataDir);

    bool Exists(const std::string& path) override { return inner_.Exists(path); }
    bool Copy(const std::string& from, const std::string& to, std::string& error) override {
        return inner_.Copy(from, to, error);
    }
    bool Move(const std::string& from, const std::string& to, std::string& error) override;
    bool Remove(const std::string& path, std::string& error) override;
    bool ReadLines(const std::string& path, std::vector<std::string>& lines) override {
        return inner_.ReadLines(path, lines);
    }
    bool ReadAll(const std::string& path, std::string& bytes, std::string& error) override {
        return inner_.ReadAll(path, bytes, error);
    }
    bool WriteAtomic(const std::string& path, const std::string& bytes, std::string& error) override {
        return inner_.WriteAtomic(path, bytes, error);
    }
    bool MakeFolder(const std::string& path, std::string& error) override { return inner_.MakeFolder(path, error); }

private:
    // True, with the fault's description in `error`, when `path` is one of the refused files.
    bool Refused(const std::string& path, std::string& error) const;

    qm::FileSystem& inner_;
    std::map<std::string, std::string> faults_;  // normalised path -> description
};

// Splits "PATH=TEXT" at the first "="; false when there is none or PATH is empty.
bool ParseFileFault(const std::string& arg, std::string& path, std::string& text);

} // namespace qme2e
