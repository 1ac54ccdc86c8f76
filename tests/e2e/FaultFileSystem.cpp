#include "FaultFileSystem.h"

#include <filesystem>

namespace qme2e {

namespace {

// The tool may write a path with "\" or with doubled separators; compare what the system would open.
std::string Normalise(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    return std::filesystem::path(p).lexically_normal().string();
}

} // namespace

bool ParseFileFault(const std::string& arg, std::string& path, std::string& text) {
    auto eq = arg.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    path = arg.substr(0, eq);
    text = arg.substr(eq + 1);
    return true;
}

void FaultFileSystem::AddFault(const std::string& path, const std::string& text, const std::string& dataDir) {
    bool hasFolder = path.find('/') != std::string::npos || path.find('\\') != std::string::npos;
    faults_[Normalise(hasFolder ? path : dataDir + "/" + path)] = text;
}

const std::string* FaultFileSystem::FaultFor(const std::string& path) const {
    if (path.empty()) return nullptr;
    auto it = faults_.find(Normalise(path));
    return it == faults_.end() ? nullptr : &it->second;
}

bool FaultFileSystem::Move(const std::string& from, const std::string& to, std::string& error) {
    if (const std::string* text = FaultFor(from)) {
        error = *text;
        return false;
    }
    return inner_.Move(from, to, error);
}

bool FaultFileSystem::Remove(const std::string& path, std::string& error) {
    if (const std::string* text = FaultFor(path)) {
        error = *text;
        return false;
    }
    return inner_.Remove(path, error);
}

} // namespace qme2e
