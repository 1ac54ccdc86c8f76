#include "platform/Profile.h"

#include "platform/Paths.h"
#include "platform/TextCodec.h"

namespace qm {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

std::string Finish(std::string_view value, size_t bufferChars) {
    if (bufferChars == 0) return {};
    return TruncateUtf8(std::string(value), bufferChars - 1);
}

std::string_view StripQuotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

} // namespace

std::string ProfileStringFromBytes(std::string_view fileBytes, const std::string& section,
                                   const std::string& key, const std::string& def, size_t bufferChars) {
    std::string_view defView = def;
    while (!defView.empty() && defView.back() == ' ') defView.remove_suffix(1);

    const std::string text = DecodeTextFile(fileBytes);
    const std::string_view wantSection = TrimBlanks(section);
    const std::string_view wantKey = TrimBlanks(key);

    bool inSection = false;    // inside the first section of the asked name
    bool sectionSeen = false;  // that section has started (a later one of the same name is not searched)
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        std::string_view line = TrimBlanks(std::string_view(text).substr(pos, end - pos));
        pos = end + 1;

        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const auto close = line.rfind(']');
            if (close != std::string_view::npos) {
                if (inSection) break;  // the asked section ended without the key
                const std::string_view name = TrimBlanks(line.substr(1, close - 1));
                if (!sectionSeen && SameName(name, wantSection)) {
                    inSection = true;
                    sectionSeen = true;
                }
                continue;
            }
            // "[" without "]" is read as an ordinary key line, as Windows does.
        }
        if (!inSection) continue;
        const auto eq = line.find('=');
        const std::string_view name = TrimBlanks(line.substr(0, eq));
        if (!SameName(name, wantKey)) continue;
        if (eq == std::string_view::npos) return Finish({}, bufferChars);
        return Finish(StripQuotes(TrimBlanks(line.substr(eq + 1))), bufferChars);
    }
    return Finish(defView, bufferChars);
}

std::string ReadProfileString(FileSystem& files, const std::string& section, const std::string& key,
                              const std::string& def, const std::string& path, size_t bufferChars) {
    std::string bytes;
    std::string error;
    if (!files.ReadAll(path, bytes, error)) {
        const std::string other = FindPathIgnoringCase(path);
        if (other == path || !files.ReadAll(other, bytes, error)) bytes.clear();
    }
    return ProfileStringFromBytes(bytes, section, key, def, bufferChars);
}

} // namespace qm
