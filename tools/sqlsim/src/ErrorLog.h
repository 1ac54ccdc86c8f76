#pragma once
// The server's error log: what start-up recovery wrote in it and what a start refused later adds.
// xp_readerrorlog reads it (Commands::ReadErrorLog).
#include "Messages.h"
#include "Model.h"

#include <optional>
#include <string>

namespace sqlsim {

class Cursor;

// The file a database's cause lies in and the operating system error opening it gives.
struct FileFault {
    bool inData = false;
    int os = 2; // 2 missing, 5 access denied, 32 held by another process
    const std::string& Path(const Database& db) const { return inData ? db.dataPath : db.logPath; }
};
// The fault of a cause about opening a file (missing, held, denied); nullopt for the others.
std::optional<FileFault> OpenFault(const Database& db);

// The log of the server's start: its own lines, each database started and the errors of each one's cause.
void WriteStartupLog(Model& m, const Messages& msgs);
// Appends a new start of `db` that `fault` stops, asked for by the process `source` (e.g. "spid51").
void LogRefusedStart(Model& m, const Messages& msgs, const Database& db, const FileFault& fault,
                     const std::string& source);

// How many tokens from the cursor name xp_readerrorlog ([master.][dbo|sys].xp_readerrorlog); 0 when they do not.
size_t ErrorLogProcedure(const Cursor& c);

} // namespace sqlsim
