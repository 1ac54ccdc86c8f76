#include "app/LocalConfig.h"
#include "platform/LocalFileSystem.h"
#include "platform/Paths.h"
#include "platform/TempFolder.h"
#include "support/FakeConnection.h"

#include <gtest/gtest.h>

using namespace qm;
using qmtest::FakeConnection;
using qmtest::FakeConnectionFactory;
using qmtest::TempFolder;

namespace {

struct LocalConfigFixture : ::testing::Test {
    TempFolder dir;
    LocalFileSystem files;
    FakeConnectionFactory factory;
    Platform platform;
    std::unique_ptr<AppState> app;

    void SetUp() override {
        platform.files = &files;
        platform.connections = &factory;
        platform.toolFolder = dir.path();
        app = std::make_unique<AppState>(platform);
    }
    void config(const std::string& body) { dir.write("Config.ini", body); }
    std::string ini(const std::string& key, const std::string& def = "DEF") {
        std::string v = "unset";
        if (!ReadIniString(platform, "Login", key, def, "", v)) return "<failed>";
        return v;
    }
};

} // namespace

TEST_F(LocalConfigFixture, CommentsAreCutWithTheCharacterBeforeThem) {
    config("[login]\n"
           "Server=192.168.1.5 //database server\n"
           "Tight=192.168.1.5//x\n"
           "Chinese=\xB7\xFE\xCE\xF1\xC6\xF7//x\n"  // 服务器 in GBK, as Notepad saves it on a Chinese Windows
           "Twice=a //b //c\n"
           "Lead=//commented out\n"
           "Empty=\n"
           "Long=" + std::string(300, 'x') + "\n");
    EXPECT_EQ(ini("Server"), "192.168.1.5");
    EXPECT_EQ(ini("Tight"), "192.168.1.");  // the character before "//" goes too
    EXPECT_EQ(ini("Chinese"), "服务");       // a whole character, not a byte of it
    EXPECT_EQ(ini("Twice"), "a");
    EXPECT_EQ(ini("Lead"), "<failed>");     // nothing before the comment: the read fails
    EXPECT_EQ(ini("Missing", "//x"), "<failed>");  // a default is cut the same way
    EXPECT_EQ(ini("Empty"), "");  // present and empty: not the default
    EXPECT_EQ(ini("Sa", "SA"), "SA");
    EXPECT_EQ(ini("Long"), std::string(254, 'x'));
    std::string v;
    EXPECT_TRUE(ReadIniString(platform, "Login", "Server", "d", dir / "absent.ini", v));
    EXPECT_EQ(v, "d");
}

TEST_F(LocalConfigFixture, TheDefaultFileIsFoundInAnyLetterCaseAndOtherFilesCanBeNamed) {
    // The tool asks for Config.INI; the file is Config.ini.
    config("[Login]\nServer=from config\n");
    EXPECT_EQ(ini("Server"), "from config");
    // The read-me file, GBK-encoded as the publisher writes it: [说明] 公司=测试服务器 //c
    dir.write("Readme.txt", "[\xCB\xB5\xC3\xF7]\r\n\xB9\xAB\xCB\xBE=\xB2\xE2\xCA\xD4\xB7\xFE\xCE\xF1\xC6\xF7 //c\r\n");
    std::string v;
    ASSERT_TRUE(ReadProfileValue(platform, "说明", "公司", "默认", dir / "Readme.txt", v));
    EXPECT_EQ(v, "测试服务器");
    ASSERT_TRUE(ReadProfileValue(platform, "说明", "作者", "默认", dir / "Readme.txt", v));
    EXPECT_EQ(v, "默认");
}

TEST_F(LocalConfigFixture, GarbageFilesNeverCrash) {
    std::string bytes;
    for (int i = 0; i < 4096; ++i) bytes += static_cast<char>((i * 7919) & 0xFF);
    config("[Login]\nServer=" + bytes);
    std::string v;
    ReadIniString(platform, "Login", "Server", "d", "", v);
    EXPECT_EQ(v.find('\0'), std::string::npos);  // NULs are gone whatever else came through
}

TEST_F(LocalConfigFixture, LoginSettingsAreReadInOrderTrimmedAndKeptWithoutAFile) {
    LoginSettings dlg{"127.0.0.1", "SA", ""};
    LoadLoginSettings(*app, dlg);  // no Config.ini: the dialog's values stay
    EXPECT_EQ(dlg.cLoginServer + "|" + dlg.cLoginUser + "|" + dlg.cLoginPwd, "127.0.0.1|SA|");
    config("[Login]\nPwd=  secret  \nServer= 10.0.0.1\\SQL2005 //main server\nSa=sa\n");
    LoadLoginSettings(*app, dlg);
    EXPECT_EQ(dlg.cLoginServer + "|" + dlg.cLoginUser + "|" + dlg.cLoginPwd, "10.0.0.1\\SQL2005|sa|secret");
    config("[Login]\n");  // the section without keys: every default
    LoginSettings d2{"keep", "keep", "keep"};
    LoadLoginSettings(*app, d2);
    EXPECT_EQ(d2.cLoginServer + "|" + d2.cLoginUser + "|" + d2.cLoginPwd, "127.0.0.1|SA|");
}

TEST_F(LocalConfigFixture, ALoginValueStartingWithCommentStopsTheReading) {
    LoginSettings dlg{"s0", "u0", "p0"};
    config("[Login]\nServer=//nothing\nSa=sa\nPwd=pw\n");
    LoadLoginSettings(*app, dlg);
    EXPECT_EQ(dlg.cLoginServer + "|" + dlg.cLoginUser + "|" + dlg.cLoginPwd, "s0|u0|p0");
    config("[Login]\nServer=srv\nSa=//nobody\nPwd=pw\n");
    LoadLoginSettings(*app, dlg);
    EXPECT_EQ(dlg.cLoginServer + "|" + dlg.cLoginUser + "|" + dlg.cLoginPwd, "srv|u0|p0");  // what came before stays
}

TEST(ReplaceChar, RemovesOrReplacesByCharacterCode) {
    EXPECT_EQ(ReplaceChar(std::string("a\0b\0", 4), 0, 0), "ab");
    EXPECT_EQ(ReplaceChar("说明.txt", 0x8BF4 /* 说 */, 0), "明.txt");
    EXPECT_EQ(ReplaceChar("a-b", '-', 0x4E2D /* 中 */), "a中b");
    EXPECT_EQ(ReplaceChar("中文", 0xAD, 0), "中文");  // a byte inside a character is not a character
}

TEST_F(LocalConfigFixture, ConfigDbIsOpenedOnlyWhenTheFileExists) {
    auto absent = OpenConfigDb(*app);
    ASSERT_TRUE(absent);
    EXPECT_EQ(absent->State(), 0);
    EXPECT_EQ(factory.created.back()->connectionString, "");  // never asked to open
    EXPECT_EQ(app->cMsg, "");

    dir.write("Config.mdb", "jet");
    auto present = OpenConfigDb(*app);
    ASSERT_TRUE(present);
    EXPECT_EQ(present->State(), 1);
    EXPECT_EQ(factory.created.back()->connectionString,
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source='" + JoinPath(dir.path(), "Config.mdb") +
                  "';Persist Security Info=False;Jet OLEDB:DataBase Password='58'");
    EXPECT_EQ(app->cMsg, "");
}

TEST_F(LocalConfigFixture, ConfigDbOpenFailureGoesToTheMessageAndKeepsTheConnection) {
    dir.write("Config.mdb", "jet");
    factory.prepare = [](FakeConnection& c) { c.openError = "不是有效的密码。"; };
    auto conn = OpenConfigDb(*app);
    ASSERT_TRUE(conn);
    EXPECT_EQ(conn->State(), 0);
    EXPECT_EQ(app->cMsg, "不是有效的密码。");

    const std::string sep(1, PathSeparator());
    EXPECT_EQ(ConfigDbConnectionString("D:" + sep + "O'Brien"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source='D:" + sep + "O''Brien" + sep +
                  "Config.mdb';Persist Security Info=False;Jet OLEDB:DataBase Password='58'");

    Platform none = platform;
    none.connections = nullptr;
    AppState bare(none);
    EXPECT_EQ(OpenConfigDb(bare), nullptr);
}
