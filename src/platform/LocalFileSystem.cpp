#include "platform/LocalFileSystem.h"

#include "platform/Text.h"

namespace qm {

bool LocalFileSystem::ReadLines(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    std::string bytes;
    std::string error;
    if (!ReadAll(path, bytes, error)) return false;
    lines = SplitTextLines(DecodeTextFile(bytes));
    return true;
}

} // namespace qm
