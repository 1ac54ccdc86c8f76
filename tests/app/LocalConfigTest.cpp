#include "app/LocalConfig.h"
#include "platform/LocalFileSystem.h"
#include "platform/Paths.h"
#include "platform/TempFolder.h"
#include "support/FakeConnection.h"
#include "support/TestPlatform.h"

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
    qmtest::TestPlatform platform;
    std::unique_ptr<AppState> app;

    void SetUp() override {
        platform.files = files;
        platform.connections = factory;
        platform.toolFolder = dir.path();
        app = std::make_unique<AppState>(platform);
    }
    void config(const std::string& body) { dir.write("Config.ini", body); }
    // From the tool's Config.ini unless a file is named.
    std::string ini(const std::string& key, const std::string& def = "DEF", const std::string& file = "") {
        std::string v = "unset";
        return ReadIniString(platform, "Login", key, def, file, v) ? v : "<failed>";
    }
};

} // namespace

// The profile reading itself (letter case, buffer size, encodings) is the platform's; here the "//"
// cut, and which file the tool reads.
TEST_F(LocalConfigFixture, CommentsAreCutWithTheCharacterBeforeThem) {
    config(
        "[login]\n"
        "Server=192.168.1.5 //database server\n"
        "Tight=192.168.1.5//x\n"
        "Chinese=\xB7\xFE\xCE\xF1\xC6\xF7//x\n" // 服务器 in GBK, as Notepad saves it on a Chinese Windows
        "Twice=a //b //c\n"
        "Lead=//commented out\n");
    EXPECT_EQ(ini("Server"), "192.168.1.5"); // from Config.ini, asked for as Config.INI
    EXPECT_EQ(ini("Tight"), "192.168.1.");   // the character before "//" goes too
    EXPECT_EQ(ini("Chinese"), "服务");       // a whole character, not a byte of it
    EXPECT_EQ(ini("Twice"), "a");
    EXPECT_EQ(ini("Lead"), "<failed>");           // nothing before the comment: the read fails
    EXPECT_EQ(ini("Missing", "//x"), "<failed>"); // a default is cut the same way
    EXPECT_EQ(ini("Server", "d", dir / "absent.ini"), "d");
}

// Server, Sa and Pwd in that order, trimmed; a value starting with a comment stops the reading there,
// keeping what came before; without a file the dialog's values stay.
TEST_F(LocalConfigFixture, LoginSettingsAreReadInOrderTrimmedAndStopAtACommentedValue) {
    const struct {
        const char* file;
        const char* want;
    } cases[] = {
        {nullptr, "s0|u0|p0"},
        {"[Login]\nPwd=  secret  \nServer= 10.0.0.1\\SQL2005 //main server\nSa=sa\n", "10.0.0.1\\SQL2005|sa|secret"},
        {"[Login]\n", "127.0.0.1|SA|"}, // the section without keys: every default
        {"[Login]\nServer=//nothing\nSa=sa\nPwd=pw\n", "s0|u0|p0"},
        {"[Login]\nServer=srv\nSa=//nobody\nPwd=pw\n", "srv|u0|p0"},
    };
    for (const auto& c : cases) {
        if (c.file) config(c.file);
        LoginSettings dlg{"s0", "u0", "p0"};
        LoadLoginSettings(*app, dlg);
        EXPECT_EQ(dlg.cLoginServer + "|" + dlg.cLoginUser + "|" + dlg.cLoginPwd, c.want)
            << (c.file ? c.file : "no file");
    }
}

// That Config.mdb is opened only when it is there, with this text, is met in start-up's roads.
TEST_F(LocalConfigFixture, ConfigDbTextQuotesTheFolderAndARefusedOpenGoesToTheMessage) {
    const std::string sep(1, PathSeparator());
    EXPECT_EQ(ConfigDbConnectionString("D:" + sep + "O'Brien"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source='D:" + sep + "O''Brien" + sep +
                  "Config.mdb';Persist Security Info=False;Jet OLEDB:DataBase Password='58'");

    dir.write("Config.mdb", "jet");
    factory.prepare = [](FakeConnection& c) { c.openError = "不是有效的密码。"; };
    auto refused = OpenConfigDb(*app);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->State(), 0);
    EXPECT_EQ(app->cMsg, "不是有效的密码。");
}
