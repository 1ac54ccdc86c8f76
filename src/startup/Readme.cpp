#include "startup/Readme.h"

#include "platform/FileSystem.h"
#include "platform/HttpClient.h"
#include "platform/Text.h"

#include <exception>

namespace qm {

namespace {

// The body read as ReadLines reads a file: same decoding, same line breaks.
bool BodyContainsText(const std::string& body, const std::string& text) {
    for (const auto& line : SplitTextLines(DecodeTextFile(body)))
        if (line.find(text) != std::string::npos) return true;
    return false;
}

} // namespace

bool DownloadFile(AppState& app, const std::string& url, const std::string& target, const std::string& required) {
    if (url.empty()) return false;
    try {
        std::string body, error;
        if (!app.platform.http->Get(url, body, error)) {
            app.cMsg = error.empty() ? "下载失败：" + url : error;
            return false;
        }
        // Check what came before anything on disk changes: a truncated or wrong page must not
        // replace a good file.
        if (!BodyContainsText(body, required)) return false;
        if (app.platform.files->Exists(target) && !app.platform.files->Copy(target, target + ".tmp", error)) {
            app.cMsg = error;
            return false;
        }
        if (!app.platform.files->WriteAtomic(target, body, error)) {
            app.cMsg = error;
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        app.cMsg = e.what();
        return false;
    }
}

} // namespace qm
