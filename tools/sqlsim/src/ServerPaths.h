#pragma once
// How the simulated server names its files. By default a path is the data folder's own Unix path. With
// Windows paths the server speaks as Wine shows that folder to a Windows program: Wine's Z: drive is
// the Unix root, so /TMP/DATA/X.MDF is Z:\TMP\DATA\X.MDF. The files themselves stay in the Unix folder.
#include <string>
#include <string_view>

namespace sqlsim {

struct PathStyle {
    bool windows = false;

    // A file's path as the server reports it (catalogue columns, messages).
    std::string Shown(const std::string& hostPath) const;
    // The Unix path of a path the server received; empty when it names no place the simulator can
    // reach (another drive, a relative name), which then behaves as a folder that does not exist.
    std::string Host(std::string_view serverPath) const;
};

} // namespace sqlsim
