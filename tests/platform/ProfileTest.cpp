#include "platform/LocalFileSystem.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <random>

using namespace qm;

namespace {
std::string Get(const std::string& file, const std::string& section, const std::string& key,
                const std::string& def = "DEF") {
    return ProfileStringFromBytes(file, section, key, def);
}
} // namespace

TEST(ProfileLookup, NamesCommentsQuotesAndFirstMatchRules) {
    const std::string ini =
        "; Server=commented\n"
        "[Login]\r\n"
        ";Server=also commented\n"
        "  SERVER  =  first  \r\n"
        "Server=second\n"
        "Pwd=\"  quoted  \"\n"
        "User='x'\n"
        "Half=\"open\n"
        "Semi=a ; not a comment\n"
        "Empty=\n"
        "NoEquals\n"
        "[login]\n"
        "Acc=in a later section of the same name\n";
    EXPECT_EQ(Get(ini, "login", "Server"), "first");
    EXPECT_EQ(Get(ini, "LOGIN", "PWD"), "  quoted  ");
    EXPECT_EQ(Get(ini, "Login", "User"), "x");
    EXPECT_EQ(Get(ini, "Login", "Half"), "\"open");
    EXPECT_EQ(Get(ini, "Login", "Semi"), "a ; not a comment");
    EXPECT_EQ(Get(ini, "Login", "Empty"), "");    // present and empty: not the default
    EXPECT_EQ(Get(ini, "Login", "NoEquals"), ""); // a key line without "="
    EXPECT_EQ(Get(ini, "Login", "Acc"), "DEF");   // only the first section of a name is searched
    EXPECT_EQ(Get(ini, "Nope", "Server"), "DEF");
    EXPECT_EQ(Get("", "Login", "Server", "dflt   "), "dflt"); // trailing blanks of the default go
}

TEST(ProfileLookup, ValuesAreCutToWhatA255CharacterBufferHolds) {
    EXPECT_EQ(Get("[s]\nk=" + std::string(300, 'a') + "\n", "s", "k"), std::string(254, 'a'));
    EXPECT_EQ(Get("", "s", "k", std::string(300, 'a')), std::string(254, 'a')); // the default too
    std::string chinese;
    while (chinese.size() < 900) chinese += "中";
    const std::string got = Get("[s]\nk=" + chinese + "\n", "s", "k");
    EXPECT_TRUE(IsValidUtf8(got)); // never cut inside a character
    EXPECT_EQ(got.size(), 254u * 3u);
}

TEST(ProfileLookup, BinaryGarbageNeverCrashesAndGivesValidText) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(static_cast<size_t>(rng() % 2048), '\0');
        for (auto& c : bytes) c = static_cast<char>(rng() & 0xFF);
        if (round % 3 == 0) bytes = "\xFF\xFE" + bytes;         // odd-length UTF-16 too
        if (round % 3 == 1) bytes = "[Login]\nServer=" + bytes; // garbage inside a value
        EXPECT_TRUE(IsValidUtf8(Get(bytes, "Login", "Server"))) << "round " << round;
    }
}

// Config.ini as a Chinese Windows's editors save it: GBK (the 936 code page), UTF-8 or UTF-16 with a
// byte-order mark; read through the file layer, its name found in any letter case.
TEST(ProfileFile, GbkUtf8AndUtf16FilesAreReadThroughTheFileLayer) {
    qmtest::TempFolder dir;
    LocalFileSystem fs;
    std::string u16 = "\xFF\xFE"; // UTF-16LE: "[Login]\r\nServer=中文\r\n"
    for (char c : std::string("[Login]\r\nServer=")) u16 += std::string{c, '\0'};
    u16 += std::string("\x2D\x4E\x87\x65\r\0\n\0", 8);
    // clang-format off
    const std::pair<std::string, std::string> files[] = {
        {"[Login]\r\nServer=\xD6\xD0\xCE\xC4\r\n", "中文"},  // GBK
        {"\xEF\xBB\xBF[Login]\nServer=中文\n", "中文"},
        {u16, "中文"},
#ifndef _WIN32
        {"[Login]\nServer=中文\n", "中文"},  // no ANSI code page here: valid UTF-8 stays
#endif
    };
    // clang-format on
    for (const auto& [bytes, server] : files) {
        dir.write("Config.ini", bytes);
        EXPECT_EQ(ReadProfileString(fs, "login", "SERVER", "d", dir / "CONFIG.ini"), server) << bytes;
    }
    for (const std::string& absent : {dir / "Config.in", dir / "missing/Config.ini", std::string(), dir.path()})
        EXPECT_EQ(ReadProfileString(fs, "Login", "Server", "d", absent), "d") << absent;
}

TEST(TextDecoding, InvalidSequencesBecomeReplacementCharacters) {
#ifndef _WIN32
    EXPECT_EQ(AnsiToUtf8("\xD6\xD0\xCE"), "中\xEF\xBF\xBD"); // a lone lead byte at the end of GBK text
#endif
    EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBFz\xFFy"), "z\xEF\xBF\xBDy");
    EXPECT_EQ(Utf16BytesToUtf8(std::string("\x00\xD8Z\x00", 4), false), "\xEF\xBF\xBDZ");       // lone surrogate
    EXPECT_EQ(Utf16BytesToUtf8(std::string("\x3D\xD8\x00\xDE", 4), false), "\xF0\x9F\x98\x80"); // a pair
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));                                                      // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));                                                  // surrogate
    const std::string s = "账套号 选择 😀 ascii";
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(s)), s);
    EXPECT_EQ(Utf8ToUtf16("\xE8\xB4"), u"\uFFFD\uFFFD"); // truncated sequence
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");       // overlong form: one character
}
