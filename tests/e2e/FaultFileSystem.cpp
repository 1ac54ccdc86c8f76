#include "FaultFileSystem.h"

#include "platform/Text.h"

#include <filesystem>

namespace qme2e {

namespace {

// The tool may write a path with either separator, doubled separators or other letter case; compare
// what Windows would open.
std::string Normalise(const std::string& path) {
    std::string p = qm::AsciiUpper(path);
    for (char& c : p)
        if (c == '\\') c = '/';
    return std::filesystem::path(p).lexically_normal().generic_string();
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

bool FaultFileSystem::Refused(const std::string& path, std::string& error) const {
    auto it = path.empty() ? faults_.end() : faults_.find(Normalise(path));
    if (it == faults_.end()) return false;
    error = it->second;
    return true;
}

bool FaultFileSystem::Move(const std::string& from, const std::string& to, std::string& error) {
    return !Refused(from, error) && inner_.Move(from, to, error);
}

bool FaultFileSystem::Remove(const std::string& path, std::string& error) {
    return !Refused(path, error) && inner_.Remove(path, error);
}

} // namespace qme2e
