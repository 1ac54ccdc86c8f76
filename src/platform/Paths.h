#pragma once
// Path helpers for the tool's own folder and the files in it.
#include <string>

namespace qm {

// The separator the tool writes between its folder and a file name: '\' on Windows, '/' elsewhere.
char PathSeparator();

// folder + separator + name; no second separator when the folder already ends with one (a drive root).
std::string JoinPath(const std::string& folder, const std::string& name);

// The folder a path names a file of, without the separator; "" for a bare name.
std::string ParentFolder(const std::string& path);

// The folder of the running executable, without a trailing separator. Falls back to the current
// folder when the system does not say.
std::string ExecutableFolder();

// Windows matches file names regardless of letter case, so a file asked for as "Config.INI" is found as
// "Config.ini". Elsewhere: when `path` names nothing, the first entry of its folder whose name equals the
// last component ignoring ASCII case; otherwise (and on Windows) `path` unchanged.
std::string FindPathIgnoringCase(const std::string& path);

} // namespace qm
