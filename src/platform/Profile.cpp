#include "platform/Profile.h"

#include "platform/Paths.h"
#include "platform/Text.h"

namespace qm {
namespace {

std::string Finish(std::string_view value, size_t bufferChars) {
    if (bufferChars == 0) return {};
    return TruncateUtf8(value, bufferChars - 1);
}

std::string_view StripQuotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

} // namespace

std::string ProfileStringFromBytes(std::string_view fileBytes, const std::string& section, const std::string& key,
                                   const std::string& def, size_t bufferChars) {
    const std::string_view defView = TrimRightView(def);

    const std::string text = DecodeTextFile(fileBytes);
    const std::string_view wantSection = TrimView(section, kBlanks);
    const std::string_view wantKey = TrimView(key, kBlanks);

    bool inSection = false;   // inside the first section of the asked name
    bool sectionSeen = false; // that section has started (a later one of the same name is not searched)
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        std::string_view line = TrimView(std::string_view(text).substr(pos, end - pos), kBlanks);
        pos = end + 1;

        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const auto close = line.rfind(']');
            if (close != std::string_view::npos) {
                if (inSection) break; // the asked section ended without the key
                const std::string_view name = TrimView(line.substr(1, close - 1), kBlanks);
                if (!sectionSeen && EqualsNoCase(name, wantSection)) {
                    inSection = true;
                    sectionSeen = true;
                }
                continue;
            }
            // "[" without "]" is read as an ordinary key line, as Windows does.
        }
        if (!inSection) continue;
        const auto eq = line.find('=');
        const std::string_view name = TrimView(line.substr(0, eq), kBlanks);
        if (!EqualsNoCase(name, wantKey)) continue;
        if (eq == std::string_view::npos) return Finish({}, bufferChars);
        return Finish(StripQuotes(TrimView(line.substr(eq + 1), kBlanks)), bufferChars);
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
