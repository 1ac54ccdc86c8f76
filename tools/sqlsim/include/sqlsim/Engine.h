#pragma once
// SQL Server 2000 to 2025 stand-in for tests and demos: a scenario's catalogue, the statements the
// tool sends, and a transcript of every batch. Thread-safe: each call takes the engine's lock, except
// while a statement takes its time (DBCC CHECKDB's "seconds"), so other connections are served meanwhile.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sqlsim {

enum class ColumnType { NVarChar, Int };

struct Column {
    std::string name;
    ColumnType type = ColumnType::NVarChar;
};

struct Cell {
    bool isNull = true;
    long long i = 0; // when the column is Int
    std::string s;   // UTF-8, when the column is NVarChar
    static Cell Null() { return {}; }
    static Cell Int(long long v) {
        Cell c;
        c.isNull = false;
        c.i = v;
        return c;
    }
    static Cell Text(std::string v) {
        Cell c;
        c.isNull = false;
        c.s = std::move(v);
        return c;
    }
};

struct ResultSet {
    std::vector<Column> columns;
    std::vector<std::vector<Cell>> rows;
};

struct Message {
    int number = 0;
    int state = 1;
    int severity = 0; // above 10: error
    std::string text; // UTF-8, in the scenario's language
};

struct BatchResult {
    std::vector<ResultSet> results;
    std::vector<Message> messages; // in the order the server sends them
    bool failed = false;           // an error (severity > 10) ended the batch
    bool cancelled = false;        // the client cancelled it while it ran: nothing else to answer
    long long rowsAffected = -1;   // -1: no count
};

struct TranscriptEntry {
    std::string sql;
    bool failed = false;
    int number = 0;         // first error's number
    std::string message;    // first error's text
    bool cancelled = false; // the client cancelled it while it ran
    bool dropped = false;   // the server went away on receiving it, without answering
};

// A scripted failure: the next `count` batches whose text contains `match` (letter case ignored) fail
// with this message before any check or effect.
struct Fault {
    std::string match;
    int count = 1;
    int number = 50000;
    std::string message;
    int severity = 16;
};

struct EngineOptions {
    // Report file paths as a Windows program under Wine sees the data folder (Z:\...), and map the
    // paths received back to it.
    bool windowsPaths = false;
    // When given, the file that lists the files the server holds open, one per line as it names them,
    // rewritten whenever that changes.
    std::string heldFiles;
};

// How a statement that takes time spends it. The front end ends the wait early when its client
// cancels the request or goes away.
class Pause {
public:
    virtual ~Pause() = default;
    // False when the wait was cut short.
    virtual bool Sleep(std::chrono::milliseconds duration) = 0;
};

class Engine {
public:
    // Loads a scenario (JSON text). Database files named by the scenario live in dataDir.
    static std::shared_ptr<Engine> FromJson(const std::string& json, const std::string& dataDir, std::string& error,
                                            const EngineOptions& options = {});
    static std::shared_ptr<Engine> FromFile(const std::string& path, const std::string& dataDir, std::string& error,
                                            const EngineOptions& options = {});

    virtual ~Engine() = default;

    // Login check: nullopt when accepted, otherwise the 18456 message.
    virtual std::optional<Message> CheckLogin(const std::string& user, const std::string& password) = 0;
    // A new connection's session number (@@spid): 51, 52, … as the server hands them out.
    virtual int OpenSession() { return 51; }
    // Runs one batch for session 51 and appends it to the transcript.
    virtual BatchResult Execute(const std::string& sql) = 0;
    // The same for session `spid`, spending a statement's time through `pause` (meanwhile the statement
    // shows in sys.dm_exec_requests); cut short, the batch ends as cancelled.
    virtual BatchResult ExecuteWithPause(const std::string& sql, Pause&, int /*spid*/) { return Execute(sql); }
    // Appends a batch that the server received but never answered.
    virtual void RecordDropped(const std::string&) {}

    virtual std::vector<TranscriptEntry> Transcript() const = 0;
    virtual void ClearTranscript() = 0;

    // Faults added at run time join the scenario's.
    virtual void AddFault(const Fault& fault) = 0;
    // Whether a login may open this database: nullopt when it exists, otherwise the 4060 message.
    virtual std::optional<Message> CheckDatabase(const std::string& name) = 0;
    // Appends every later batch as one JSON line {"sql": …, "error": null | {"number": …, "message": …}}
    // to the file (created when missing). Empty path stops writing.
    virtual bool SetTranscriptFile(const std::string& path, std::string& error) = 0;
    // The transcript so far in the same JSON-lines form.
    virtual std::string TranscriptJsonLines() const = 0;

    virtual bool English() const = 0;               // the scenario asked for English messages
    virtual std::string Edition() const = 0;        // e.g. "Standard Edition"
    virtual std::string ProductVersion() const = 0; // e.g. "9.00.4035.00"
    virtual int MajorVersion() const = 0;           // 8, 9, 10, … 17
    virtual std::string DataDir() const = 0;
};

} // namespace sqlsim
