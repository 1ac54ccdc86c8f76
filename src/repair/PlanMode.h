#pragma once
// Plan mode: the repair sequences run as they stand, but through a connection and a file layer that
// change nothing. Queries (SELECT, and the error log's reading) reach the server, because what the sequences look up decides what
// they do; every other statement is kept back and answered as accepted, so a sequence goes the way
// of a first attempt that meets no failure. A file move is noted and answered as done, and the file
// layer answers as if it had been done; nothing on disk changes.
#include "app/AppState.h"
#include "platform/Connection.h"
#include "platform/FileSystem.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qm {

// True when the batch is a query: its first word after blanks and "--" comment lines is SELECT, or it
// reads the error log (exec master..xp_readerrorlog).
bool IsQuery(const std::string& sql);

class PlanConnection final : public Connection {
public:
    explicit PlanConnection(std::shared_ptr<Connection> server) : server_(std::move(server)) {}

    bool Open(const std::string&, std::string& error) override {
        error = "预览不打开连接";
        return false;
    }
    int State() const override { return server_ ? server_->State() : 0; }
    void SetCommandTimeout(int seconds) override { timeout_ = seconds; }
    int CommandTimeout() const override { return timeout_; }
    const std::string& ConnectionString() const override;
    SqlResult Execute(const std::string& sql) override;
    void Cancel() override {
        if (server_) server_->Cancel();
    }

    // The statements kept back, in order.
    const std::vector<std::string>& KeptBack() const { return keptBack_; }

private:
    std::shared_ptr<Connection> server_;
    std::vector<std::string> keptBack_;
    int timeout_ = 300;
};

class PlanFileSystem final : public FileSystem {
public:
    explicit PlanFileSystem(FileSystem& real) : real_(real) {}

    bool Exists(const std::string& path) override;
    bool Move(const std::string& from, const std::string& to, std::string& error) override;
    // Nothing else of the file layer is meant to change a file in plan mode: each is answered as done.
    bool Copy(const std::string&, const std::string&, std::string&) override { return true; }
    bool Remove(const std::string&, std::string&) override { return true; }
    bool WriteAtomic(const std::string&, const std::string&, std::string&) override { return true; }
    bool MakeFolder(const std::string&, std::string&) override { return true; }
    bool CopyNew(const std::string&, const std::string&, const CopyProgress&, std::string&) override { return true; }
    // What there is to copy and room for it are read from the disk: they decide the plan.
    bool FreeBytes(const std::string& folder, std::uint64_t& bytes, std::string& error) override {
        return real_.FreeBytes(folder, bytes, error);
    }
    bool SizeOf(const std::string& path, std::uint64_t& bytes, std::string& error) override {
        return real_.SizeOf(path, bytes, error);
    }
    bool ReadLines(const std::string& path, std::vector<std::string>& lines) override;
    bool ReadAll(const std::string& path, std::string& bytes, std::string& error) override;

private:
    FileSystem& real_;
    std::map<std::string, bool> planned_; // path -> there after the noted moves
};

// The shared state a plan runs on: the server context of `app`, oMaster behind a PlanConnection and
// the files behind a PlanFileSystem. Owns them; `app` and its adapters must outlive it.
class PlanState {
public:
    explicit PlanState(AppState& app);
    PlanState(const PlanState&) = delete;
    PlanState& operator=(const PlanState&) = delete;

    AppState& App() { return *plan_; }

private:
    std::unique_ptr<PlanFileSystem> files_;
    std::unique_ptr<AppState> plan_;
};

} // namespace qm
