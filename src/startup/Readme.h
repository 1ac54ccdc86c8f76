#pragma once
// The read-me refresh the main window makes when it first loads: the publisher's Readme.txt fetched
// beside the tool, so that its details (title line, about box) are current.
#include "app/AppState.h"

#include <string>

namespace qm {

// Fetches `url` and stores it at `target` only when the body (decoded as text files are read) contains
// `required`. The previous target is kept as target + ".tmp" before it is replaced. An empty url
// fetches nothing and gives false. On failure the old target is untouched and cMsg holds the reason
// (a body without the required text leaves cMsg as it was).
bool DownloadFile(AppState& app, const std::string& url, const std::string& target, const std::string& required);

} // namespace qm
