#include "ui/GridFit.h"

#include "discovery/AccountGrid.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

namespace qm::ui {

std::vector<int> FitGridColumns(std::vector<int> widths, int available, int floor) {
    if (int(widths.size()) <= std::max<int>(kColPath, kColReport)) return widths;
    const int excess = std::accumulate(widths.begin(), widths.end(), 0) - available;
    int& path = widths[size_t(kColPath)];
    int& report = widths[size_t(kColReport)];
    const int pathSpare = std::max(0, path - floor), reportSpare = std::max(0, report - floor);
    const int spare = pathSpare + reportSpare;
    if (excess <= 0 || spare <= 0) return widths;
    const int take = std::min(excess, spare);
    const int fromPath = int(int64_t(take) * pathSpare / spare);
    path -= fromPath;
    report -= take - fromPath;
    return widths;
}

namespace {

constexpr const char* kEllipsis = "…";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Where each UTF-8 character starts, and the text's end.
std::vector<size_t> CharacterStarts(const std::string& s) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < s.size(); i += DecodeUtf8(s, i).len) starts.push_back(i);
    starts.push_back(s.size());
    return starts;
}

} // namespace

std::string ElidePathMiddle(const std::string& path, const std::function<bool(const std::string&)>& fits) {
    if (fits(path)) return path;

    std::vector<size_t> seps;
    for (size_t i = 0; i < path.size(); ++i)
        if (IsSeparator(path[i])) seps.push_back(i);
    // The head keeps the first one or two parts with their separators ("D:\", "D:\U8SOFT\", "\\server\").
    std::vector<size_t> headEnds;
    for (size_t i : seps)
        if (i > 0 && !IsSeparator(path[i - 1]) && headEnds.size() < 2) headEnds.push_back(i + 1);
    std::reverse(headEnds.begin(), headEnds.end());
    for (size_t head : headEnds) {
        // The tail starts at a separator after the head; the one nearest the head keeps the most.
        for (size_t sep : seps) {
            if (sep < head) continue;
            const std::string candidate = path.substr(0, head) + kEllipsis + path.substr(sep);
            if (fits(candidate)) return candidate;
        }
    }

    // No part boundary helps (one long name): keep as many characters of both ends as fit.
    const std::vector<size_t> starts = CharacterStarts(path);
    const int chars = int(starts.size()) - 1;
    auto ends = [&](int keep) {
        const int front = (keep + 1) / 2, back = keep / 2;
        return path.substr(0, starts[size_t(front)]) + kEllipsis + path.substr(starts[size_t(chars - back)]);
    };
    int lo = 0, hi = chars - 1; // the most characters that fit lie in [lo, hi]; 0 is "…" alone
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (fits(ends(mid))) lo = mid;
        else hi = mid - 1;
    }
    return ends(lo);
}

} // namespace qm::ui
