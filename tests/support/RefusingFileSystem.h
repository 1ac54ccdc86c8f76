#pragma once
// The real file layer, except that moves, deletions and copies of chosen files are refused with a chosen
// description, as those of a file the server holds open are: `times` times, or for ever (< 0); nothing is
// written under `readOnly` (a folder the user may not write). Paths compare as Windows compares them
// (either separator, any letter case). Records every path a change touched, and the calls that were
// handed the empty path. With `heldList`, a file named in that list (one path a line, as the simulator
// keeps it of the files it holds open) refuses copies as a server's open file does.
#include "platform/LocalFileSystem.h"
#include "platform/Text.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace qmtest {

class RefusingFileSystem : public qm::FileSystem {
public:
    using S = const std::string&;
    void Refuse(S path, S text, int times = -1) { refusals[Key(path)] = {text, times}; }

    bool Exists(S p) override { return emptyPathCalls += p.empty(), real.Exists(p); }
    bool Copy(S f, S t, std::string& e) override { return changed.push_back(t), real.Copy(f, t, e); }
    bool Remove(S p, std::string& e) override { return !Refused(p, e) && (changed.push_back(p), real.Remove(p, e)); }
    bool ReadLines(S p, std::vector<std::string>& l) override { return real.ReadLines(p, l); }
    bool ReadAll(S p, std::string& b, std::string& e) override { return real.ReadAll(p, b, e); }
    bool WriteAtomic(S p, S b, std::string& e) override {
        return !ReadOnly(p, e) && (changed.push_back(p), real.WriteAtomic(p, b, e));
    }
    bool MakeFolder(S p, std::string& e) override { return !ReadOnly(p, e) && real.MakeFolder(p, e); }
    bool CopyNew(S f, S t, const CopyProgress& p, std::string& e) override {
        return !Refused(f, e) && !Held(f, e) && !ReadOnly(t, e) && (changed.push_back(t), real.CopyNew(f, t, p, e));
    }
    bool FreeBytes(S p, std::uint64_t& b, std::string& e) override {
        return freeBytes >= 0 ? (b = std::uint64_t(freeBytes), true) : real.FreeBytes(p, b, e);
    }
    bool SizeOf(S p, std::uint64_t& b, std::string& e) override { return real.SizeOf(p, b, e); }
    bool Move(S from, S to, std::string& e) override {
        emptyPathCalls += from.empty();
        if (Refused(from, e)) return false;
        changed.insert(changed.end(), {from, to});
        return real.Move(from, to, e);
    }

    struct Refusal {
        std::string text;
        int times;
    };
    std::map<std::string, Refusal> refusals; // by the path as compared
    std::vector<std::string> changed;
    std::string readOnly; // a folder prefix, compared as given
    int emptyPathCalls = 0;
    long long freeBytes = -1; // the free space every disk reports; negative: the real one
    std::string heldList;
    qm::LocalFileSystem real;

private:
    bool Held(S path, std::string& error) {
        std::vector<std::string> held;
        if (heldList.empty() || !real.ReadLines(heldList, held)) return false;
        for (const auto& h : held)
            if (!h.empty() && Key(h) == Key(path)) return error = "拒绝的权限", true;
        return false;
    }
    bool ReadOnly(S p, std::string& e) const {
        const bool refused = !readOnly.empty() && p.rfind(readOnly, 0) == 0;
        if (refused) e = "拒绝的权限";
        return refused;
    }
    static std::string Key(const std::string& path) {
        std::string p = qm::AsciiUpper(path);
        for (char& c : p) c = c == '\\' ? '/' : c;
        return std::filesystem::path(p).lexically_normal().generic_string();
    }
    bool Refused(S path, std::string& error) {
        const auto it = path.empty() ? refusals.end() : refusals.find(Key(path));
        if (it == refusals.end() || it->second.times == 0) return false;
        it->second.times -= it->second.times > 0;
        error = it->second.text;
        return true;
    }
};

} // namespace qmtest
