#include "ui/RowTranscript.h"

#include "platform/Text.h"

namespace qm::ui {

std::vector<std::string> DescribeStatement(const StatementEvent& e) {
    std::vector<std::string> out;
    std::string line = e.ok ? "[成功] " + e.sql : "[失败] " + e.sql + " —— ";
    if (!e.ok) {
        if (e.errorNumber != 0) line += "错误 " + std::to_string(e.errorNumber) + "：";
        line += e.error.empty() ? std::string("未知错误") : e.error;
    }
    out.push_back(std::move(line));
    for (const std::string& m : SplitTextLines(e.messages)) {
        if (m.empty() || (!e.ok && m == e.error)) continue;
        out.push_back("    " + m);
    }
    return out;
}

void RowTranscript::SetNext(StatementObserver* next) {
    LockGuard lock(mutex_);
    next_ = next;
}

StatementObserver* RowTranscript::Next() const {
    LockGuard lock(mutex_);
    return next_;
}

void RowTranscript::OnStatement(const StatementEvent& e) {
    StatementObserver* next = nullptr;
    {
        LockGuard lock(mutex_);
        auto& rows = lines_[e.row];
        for (auto& l : DescribeStatement(e)) rows.push_back(std::move(l));
        next = next_;
    }
    if (next) next->OnStatement(e);
}

void RowTranscript::OnFileMoved(int row, const std::string& path, const std::string& newPath,
                                const std::string& error) {
    StatementObserver* next = nullptr;
    {
        LockGuard lock(mutex_);
        lines_[row].push_back(newPath.empty() ? "[文件] 未能移开 " + path + " —— " + error
                                              : "[文件] 已将 " + path + " 移为 " + newPath);
        next = next_;
    }
    if (next) next->OnFileMoved(row, path, newPath, error);
}

void RowTranscript::OnFileCopied(const FileCopyEvent& e) {
    StatementObserver* next = nullptr;
    {
        LockGuard lock(mutex_);
        lines_[e.row].push_back(e.error.empty() ? "[备份] 已将 " + e.from + " 复制为 " + e.to
                                                : "[备份] 未能复制 " + e.from + " —— " + e.error);
        next = next_;
    }
    if (next) next->OnFileCopied(e);
}

void RowTranscript::NoteCause(int row, const std::string& cause, const std::string& line) {
    LockGuard lock(mutex_);
    auto& lines = causes_[row];
    lines = {"原因：" + cause};
    if (!line.empty()) lines.push_back(line);
}

void RowTranscript::Clear() {
    LockGuard lock(mutex_);
    lines_.clear();
    causes_.clear();
}

std::string RowTranscript::TooltipFor(int row) const {
    LockGuard lock(mutex_);
    std::string text;
    for (const auto* lines : {&causes_, &lines_}) {
        auto it = lines->find(row);
        if (it == lines->end()) continue;
        for (const auto& l : it->second) {
            if (!text.empty()) text += '\n';
            text += l;
        }
    }
    return text;
}

std::vector<int> RowTranscript::Rows() const {
    LockGuard lock(mutex_);
    std::vector<int> rows;
    for (const auto& [r, _] : lines_) rows.push_back(r);
    return rows;
}

} // namespace qm::ui
