#pragma once
// Reading profile (INI) files the way the Windows private-profile functions do, in one portable
// implementation: the same answers on every system, from the same bytes.
//
//   - section and key names match regardless of ASCII letter case; blanks around names and values are
//     dropped; a value wrapped in matching double or single quotes loses them;
//   - lines starting with ';' are comments; the first section of the asked name is searched and the
//     first matching key in it wins; a key line without "=" has the empty value;
//   - a missing file, section or key gives the default (its trailing blanks dropped);
//   - the answer is cut to bufferChars - 1 characters, as a buffer of bufferChars characters holds;
//   - the file is text in the system's ANSI code page (see AnsiToUtf8), or UTF-8 / UTF-16 with a
//     byte-order mark; bytes that decode to nothing sensible never fail the read.
#include "platform/FileSystem.h"

#include <string>
#include <string_view>

namespace qm {

inline constexpr size_t kProfileBufferChars = 255;

// Looks the key up in the raw bytes of a profile file.
std::string ProfileStringFromBytes(std::string_view fileBytes, const std::string& section, const std::string& key,
                                   const std::string& def, size_t bufferChars = kProfileBufferChars);

// Reads the profile file at `path` through `files`. Where file names are case-sensitive, a file whose
// name differs from `path` only in letter case is read instead (Windows would find it).
std::string ReadProfileString(FileSystem& files, const std::string& section, const std::string& key,
                              const std::string& def, const std::string& path,
                              size_t bufferChars = kProfileBufferChars);

} // namespace qm
