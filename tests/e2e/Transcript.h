#pragma once
// The simulator's transcript file turned into the harness's form: [{sql, error: null | {number, message}}].
#include <nlohmann/json.hpp>

#include <string>

namespace qme2e {

// Accepts one JSON object per line carrying "sql" and "error" (null or {number, message}). False with
// a description otherwise.
bool ConvertTranscript(const std::string& text, nlohmann::ordered_json& out, std::string& error);

} // namespace qme2e
