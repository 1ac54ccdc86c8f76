#pragma once
// The catalogue as an in-memory SQLite database: the model's tables are brought up to date in it before
// each query, and the server's built-in functions are registered so that translated SELECTs run as they are.
#include "Messages.h"
#include "Model.h"
#include "sqlsim/Engine.h"

#include <string>

struct sqlite3;

namespace sqlsim {

class Catalog {
public:
    // Reads the model and takes note of what it marks as touched.
    Catalog(Model& model, const Messages& msgs);
    ~Catalog();
    Catalog(const Catalog&) = delete;
    Catalog& operator=(const Catalog&) = delete;

    // Runs translated SQLite text; fills one result set, or the server's error for a failure.
    bool Query(const std::string& sqliteText, const std::string& original, BatchResult& out);

private:
    bool Refresh(std::string& error);
    Message MapError(const std::string& sqliteMessage, const std::string& original) const;

    Model& model_;
    const Messages& msgs_;
    sqlite3* db_ = nullptr;
    size_t written_ = 0; // how many databases the tables were last written in full for
};

} // namespace sqlsim
