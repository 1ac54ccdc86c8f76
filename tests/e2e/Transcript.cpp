#include "Transcript.h"

#include <sstream>

namespace qme2e {

namespace {

bool ConvertEntry(const nlohmann::json& in, nlohmann::ordered_json& out, std::string& error) {
    if (!in.is_object() || !in.contains("sql") || !in["sql"].is_string()) {
        error = "transcript entry without sql: " + in.dump();
        return false;
    }
    nlohmann::ordered_json e;
    e["sql"] = in["sql"];
    e["error"] = nullptr;
    if (in.contains("error") && in["error"].is_object()) {
        const auto& err = in["error"];
        e["error"] = {{"number", err.value("number", 0)}, {"message", err.value("message", std::string())}};
    } else if (in.value("failed", false)) {
        e["error"] = {{"number", in.value("number", 0)}, {"message", in.value("message", std::string())}};
    }
    out.push_back(std::move(e));
    return true;
}

} // namespace

bool ConvertTranscript(const std::string& text, nlohmann::ordered_json& out, std::string& error) {
    out = nlohmann::ordered_json::array();
    auto whole = nlohmann::json::parse(text, nullptr, false);
    if (!whole.is_discarded()) {
        const nlohmann::json* entries = &whole;
        if (whole.is_object() && whole.contains("transcript")) entries = &whole["transcript"];
        if (entries->is_array()) {
            for (const auto& e : *entries)
                if (!ConvertEntry(e, out, error)) return false;
            return true;
        }
        if (entries->is_object()) return ConvertEntry(*entries, out, error);
    }
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        auto e = nlohmann::json::parse(line, nullptr, false);
        if (e.is_discarded()) {
            error = "transcript line is not JSON: " + line;
            return false;
        }
        if (!ConvertEntry(e, out, error)) return false;
    }
    return true;
}

} // namespace qme2e
