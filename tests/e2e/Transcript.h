#pragma once
// The simulator's transcript file turned into the harness's form: [{sql, error: null | {number, message}}].
#include <nlohmann/json.hpp>

#include <string>

namespace qme2e {

// Accepts a JSON array (or one JSON object per line) whose entries carry "sql" and either "error"
// (null or {number, message}) or "failed"/"number"/"message". False with a description otherwise.
bool ConvertTranscript(const std::string& text, nlohmann::ordered_json& out, std::string& error);

} // namespace qme2e
