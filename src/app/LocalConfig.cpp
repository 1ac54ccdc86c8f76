#include "app/LocalConfig.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace qm {

std::string ReplaceChar(const std::string& text, int find, int replacement) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const Utf8Char c = DecodeUtf8(text, i);
        const size_t len = c.len;
        // A byte that is no character of its own is matched by its own code.
        const char32_t cp = c.ok ? c.cp : static_cast<unsigned char>(text[i]);
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
    if (pos == 0) return false; // no character before the comment to drop
    if (pos != std::string::npos) text = Trim(raw.substr(0, Utf8CharStartBefore(raw, pos)));
    value = Trim(ReplaceChar(text, 0, 0));
    return true;
}

bool ReadProfileValue(const Platform& p, const std::string& section, const std::string& key, const std::string& def,
                      const std::string& path, std::string& value) {
    value.clear();
    return CutProfileComment(ReadProfileString(*p.files, section, key, def, path), value);
}

bool ReadIniString(const Platform& p, const std::string& section, const std::string& key, const std::string& def,
                   const std::string& file, std::string& value) {
    const std::string path = file.empty() ? JoinPath(p.toolFolder, "Config.INI") : file;
    return ReadProfileValue(p, section, key, def, path, value);
}

void LoadLoginSettings(AppState& app, LoginSettings& dlg) {
    const Platform& p = app.platform;
    if (!p.files->Exists(JoinPath(p.toolFolder, "Config.ini"))) return;
    std::string v;
    if (!ReadIniString(p, "Login", "Server", "127.0.0.1", "", v)) return;
    dlg.cLoginServer = Trim(v);
    if (!ReadIniString(p, "Login", "Sa", "SA", "", v)) return;
    dlg.cLoginUser = Trim(v);
    if (!ReadIniString(p, "Login", "Pwd", "", "", v)) return;
    dlg.cLoginPwd = Trim(v);
}

std::string ConfigDbConnectionString(const std::string& folder) {
    const std::string source = EncloseConnectionValue(JoinPath(folder, "Config.mdb"), '\'');
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + source +
           ";Persist Security Info=False;Jet OLEDB:DataBase Password='" + "58" + "'";
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
