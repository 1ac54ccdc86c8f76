#include "app/LocalConfig.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "platform/TextCodec.h"

namespace qm {
namespace {

std::string TrimSpaces(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

// Length of the UTF-8 sequence starting at s[i] and its code point; a stray byte is one character
// whose code is the byte.
size_t NextChar(const std::string& s, size_t i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    size_t len = 1;
    if ((b0 & 0xE0) == 0xC0) len = 2;
    else if ((b0 & 0xF0) == 0xE0) len = 3;
    else if ((b0 & 0xF8) == 0xF0) len = 4;
    if (len > 1 && i + len <= s.size()) {
        char32_t v = b0 & (0x7F >> len);
        bool ok = true;
        for (size_t k = 1; k < len && ok; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            ok = (b & 0xC0) == 0x80;
            v = (v << 6) | (b & 0x3F);
        }
        if (ok) {
            cp = v;
            return len;
        }
    }
    cp = b0;
    return 1;
}

// Start of the character that ends just before byte `pos` (continuation bytes belong to it).
size_t StartOfPreviousChar(const std::string& s, size_t pos) {
    size_t i = pos - 1;
    while (i > 0 && pos - i < 4 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
    char32_t cp = 0;
    if (i + NextChar(s, i, cp) != pos) return pos - 1;  // not one well-formed character: one byte
    return i;
}

} // namespace

std::string ReplaceChar(const std::string& text, int find, int replacement) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const size_t len = NextChar(text, i, cp);
        if (static_cast<long>(cp) != find) {
            out.append(text, i, len);
        } else if (replacement > 0 && replacement <= 0x10FFFF) {
            AppendUtf8(out, static_cast<char32_t>(replacement));
        }
        i += len;
    }
    return out;
}

bool CutProfileComment(const std::string& raw, std::string& value) {
    value.clear();
    std::string text = raw;
    const auto pos = raw.find("//");
    if (pos == 0) return false;  // no character before the comment to drop
    if (pos != std::string::npos) text = TrimSpaces(raw.substr(0, StartOfPreviousChar(raw, pos)));
    value = TrimSpaces(ReplaceChar(text, 0, 0));
    return true;
}

bool ReadProfileValue(const Platform& p, const std::string& section, const std::string& key,
                      const std::string& def, const std::string& path, std::string& value) {
    value.clear();
    return CutProfileComment(ReadProfileString(*p.files, section, key, def, path), value);
}

bool ReadIniString(const Platform& p, const std::string& section, const std::string& key,
                   const std::string& def, const std::string& file, std::string& value) {
    const std::string path = file.empty() ? JoinPath(p.toolFolder, "Config.INI") : file;
    return ReadProfileValue(p, section, key, def, path, value);
}

void LoadLoginSettings(AppState& app, LoginSettings& dlg) {
    const Platform& p = app.platform;
    if (!p.files->Exists(JoinPath(p.toolFolder, "Config.ini"))) return;
    std::string v;
    if (!ReadIniString(p, "Login", "Server", "127.0.0.1", "", v)) return;
    dlg.cLoginServer = TrimSpaces(v);
    if (!ReadIniString(p, "Login", "Sa", "SA", "", v)) return;
    dlg.cLoginUser = TrimSpaces(v);
    if (!ReadIniString(p, "Login", "Pwd", "", "", v)) return;
    dlg.cLoginPwd = TrimSpaces(v);
}

std::string ConfigDbConnectionString(const std::string& folder) {
    std::string path = JoinPath(folder, "Config.mdb");
    std::string quoted;
    for (char c : path) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source='" + quoted +
           "';Persist Security Info=False;Jet OLEDB:DataBase Password='" + "58" + "'";
}

std::shared_ptr<Connection> OpenConfigDb(AppState& app) {
    const Platform& p = app.platform;
    auto conn = p.connections->Create();
    if (!conn) return nullptr;
    if (!p.files->Exists(JoinPath(p.toolFolder, "Config.mdb"))) return conn;
    std::string error;
    if (!conn->Open(ConfigDbConnectionString(p.toolFolder), error) || conn->State() == 0)
        app.cMsg = error.empty() ? "无法打开本地配置数据库 Config.mdb" : error;
    return conn;
}

} // namespace qm
