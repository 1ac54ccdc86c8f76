#include "Transcript.h"

#include <sstream>

namespace qme2e {

bool ConvertTranscript(const std::string& text, nlohmann::ordered_json& out, std::string& error) {
    out = nlohmann::ordered_json::array();
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        auto in = nlohmann::json::parse(line, nullptr, false);
        if (in.is_discarded() || !in.is_object() || !in.contains("sql") || !in["sql"].is_string()) {
            error = "transcript line without sql: " + line;
            return false;
        }
        nlohmann::ordered_json e{{"sql", in["sql"].get<std::string>()}, {"error", nullptr}};
        if (in.contains("error") && in["error"].is_object())
            e["error"] = {{"number", in["error"].value("number", 0)},
                          {"message", in["error"].value("message", std::string())}};
        out.push_back(std::move(e));
    }
    return true;
}

} // namespace qme2e
