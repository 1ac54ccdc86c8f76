#include "platform/LocalFileSystem.h"

#include "platform/Text.h"

namespace qm {

std::vector<std::string> SplitTextLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const bool last = end == std::string::npos;
        if (last) end = text.size();
        size_t len = end - start;
        if (len > 0 && text[start + len - 1] == '\r') --len;
        lines.push_back(text.substr(start, len));
        if (last) break;
        start = end + 1;
    }
    return lines;
}

bool LocalFileSystem::ReadLines(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    std::string bytes;
    std::string error;
    if (!ReadAll(path, bytes, error)) return false;
    lines = SplitTextLines(DecodeTextFile(bytes));
    return true;
}

} // namespace qm
