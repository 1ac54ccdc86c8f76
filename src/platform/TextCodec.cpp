// The local text files' encodings: the system's ANSI code page (GB18030 where there is none) and the
// byte-order marks that override it.
#include "platform/Text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#include <cerrno>
#endif

namespace qm {
namespace {

const char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD

#ifndef _WIN32
std::string Gb18030ToUtf8(std::string_view bytes) {
    iconv_t cd = iconv_open("UTF-8", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // No converter installed: keep the ASCII and mark the rest as undecodable.
        std::string out;
        for (char c : bytes) {
            if (static_cast<unsigned char>(c) < 0x80) out += c;
            else out += kReplacement;
        }
        return out;
    }
    std::string out;
    std::string in(bytes);
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char buf[4096];
    while (inLeft > 0) {
        char* outPtr = buf;
        size_t outLeft = sizeof buf;
        const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buf, static_cast<size_t>(outPtr - buf));
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // An invalid or truncated sequence: one replacement character, then go on after its first byte.
            out += kReplacement;
            ++inPtr;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}
#endif

} // namespace

std::string AnsiToUtf8(std::string_view bytes) {
#ifdef _WIN32
    if (bytes.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return WideToUtf8(wide);
#else
    if (IsValidUtf8(bytes)) return std::string(bytes);
    return Gb18030ToUtf8(bytes);
#endif
}

std::string DecodeTextFile(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        // Declared UTF-8: keep it, replacing whatever is malformed.
        const std::string_view body = bytes.substr(3);
        std::string out;
        out.reserve(body.size());
        for (size_t i = 0; i < body.size();) {
            const Utf8Char c = DecodeUtf8(body, i);
            if (c.ok) out.append(body.substr(i, c.len));
            else out += kReplacement;
            i += c.len;
        }
        return out;
    }
    if (bytes.substr(0, 2) == "\xFF\xFE") return Utf16BytesToUtf8(bytes.substr(2), false);
    if (bytes.substr(0, 2) == "\xFE\xFF") return Utf16BytesToUtf8(bytes.substr(2), true);
    return AnsiToUtf8(bytes);
}

} // namespace qm
