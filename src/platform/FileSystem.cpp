#include "platform/FileSystem.h"

namespace qm {

// A layer over something other than this computer's disks keeps no copies and knows no free space.
bool FileSystem::CopyNew(const std::string&, const std::string&, const CopyProgress&, std::string& error) {
    error = kTextNotSupported;
    return false;
}

bool FileSystem::FreeBytes(const std::string&, std::uint64_t&, std::string& error) {
    error = kTextNotSupported;
    return false;
}

bool FileSystem::SizeOf(const std::string&, std::uint64_t&, std::string& error) {
    error = kTextNotSupported;
    return false;
}

} // namespace qm
