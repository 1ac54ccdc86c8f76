#pragma once
// The files the server holds open. A real server keeps the files of each open database locked against
// writing, so another program's copy of them fails until the database goes offline; a program under
// Wine is a process of its own and learns which files those are from a list the simulator publishes.
#include "Model.h"

#include <optional>
#include <string>
#include <utility>

namespace sqlsim {

// The files of every user database the server has open, as it names them to clients: one per line,
// data file then log file, in dbid order.
std::string HeldFileList(const Model& m);

class HeldFiles {
public:
    explicit HeldFiles(std::string path) : path_(std::move(path)) {}
    // Writes the list anew when it differs from the one last written; the file is replaced whole, so a
    // reader never sees part of it. False (and why) when it cannot be written.
    bool Publish(const Model& m, std::string& error);

private:
    std::string path_;
    std::optional<std::string> written_;
};

} // namespace sqlsim
