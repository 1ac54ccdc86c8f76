#pragma once
// The local configuration of the tool: the profile file Config.ini that pre-fills the SQL login dialog,
// the profile reading with its "//" comments that the read-me file shares, and the local Jet database
// Config.mdb that start-up opens and holds. Nothing here is ever written.
#include "app/AppState.h"
#include "platform/Connection.h"
#include "platform/Platform.h"

#include <memory>
#include <string>

namespace qm {

// The three fields of the SQL login dialog that the profile file fills.
struct LoginSettings {
    std::string cLoginServer;
    std::string cLoginUser;
    std::string cLoginPwd;
};

// When <tool folder>/Config.ini exists: Login/Server (default "127.0.0.1"), Login/Sa ("SA") and
// Login/Pwd ("") into the dialog, each trimmed, in that order; a read that fails stops there and the
// values applied before it stay. Without the file the dialog keeps its own values.
void LoadLoginSettings(AppState& app, LoginSettings& dlg);

// One profile value through ReadProfileValue; an empty `file` means <tool folder><sep>Config.INI.
bool ReadIniString(const Platform& p, const std::string& section, const std::string& key, const std::string& def,
                   const std::string& file, std::string& value);

// Reads section/key of the profile file at `path` (default `def`, as a 255-character buffer holds it),
// then cuts a "//" comment: the "//", all after it and the one character before it go. A value that
// begins with "//" has nothing before the comment and fails (false, `value` empty). Finally NUL
// characters are removed and blanks trimmed from both ends.
bool ReadProfileValue(const Platform& p, const std::string& section, const std::string& key, const std::string& def,
                      const std::string& path, std::string& value);

// The "//" cut and clean-up of ReadProfileValue on an already-read text.
bool CutProfileComment(const std::string& raw, std::string& value);

// Each character whose code equals `find` is replaced by the character `replacement`, or dropped when
// `replacement` is 0. Codes are Unicode code points of the UTF-8 text.
std::string ReplaceChar(const std::string& text, int find, int replacement);

// The Jet connection text for <folder><sep>Config.mdb with the database password "58". An apostrophe in
// the folder is doubled, as the quoted value needs; ordinary folders give the plain text.
std::string ConfigDbConnectionString(const std::string& folder);

// A new connection from the platform's factory, opened on Config.mdb
// when that file exists in the tool's folder. A failed open leaves its description in cMsg and the
// connection unopened; a missing file leaves it unopened without a message.
std::shared_ptr<Connection> OpenConfigDb(AppState& app);

} // namespace qm
