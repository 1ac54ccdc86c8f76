// The login wrapper against a real in-process COM server registered in the prefix under the product's
// ProgIDs (FakeLoginComponent.cpp), with the real registry, computer name and ODBC: each road of the
// administrator sign-in end to end, the proving connection going to the simulator. The prefix is the
// tree's second one, so the registrations never reach the tests that start the real program.
#include "login/ClsUFLogin.h"
#include "platform/LocalSystemServices.h"
#include "platform/TempFolder.h"
#include "platform/Text.h"
#include "support/Seams.h"
#include "SimProcessWin.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <set>

using namespace qm;

namespace {

const char* const kScenario = R"({"version": "10.50.1600.1", "edition": "Enterprise Edition", "language": "zh-CN",
  "logins": {"sa": "口令sa"},
  "databases": [{"name": "UFDATA_001_2015", "state": "ONLINE", "data_file": "A.MDF", "log_file": "A_LOG.LDF"}],
  "ua_account": [{"cAcc_id": "001", "cAcc_Name": "演示公司"}]})";
const char* const kProgIds[] = {progid::kU8FrontEnd, progid::kU8Login, progid::kT3Login, progid::kUfDatabase};
const char* const kU8Key = "SOFTWARE\\用友软件\\用友U8V10.1\\";

std::string ClassId(int kind) { return "{5D1C6A10-3B2E-4C51-9A7E-00000000000" + std::to_string(kind) + "}"; }

// Runs the prefix's own reg.exe, as `wine reg` does, and waits for it.
bool Reg(const std::string& args) {
    std::wstring cmd = Utf8ToWide("reg.exe " + args);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    DWORD code = 1;
    if (WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code == 0;
}

void SetEnv(const std::string& name, const std::string& value) {
    SetEnvironmentVariableW(Utf8ToWide(name).c_str(), value.empty() ? nullptr : Utf8ToWide(value).c_str());
}

std::string Env(const char* name) {
    wchar_t buf[16384];
    const DWORD n = GetEnvironmentVariableW(Utf8ToWide(name).c_str(), buf, 16384);
    return n > 0 && n < 16384 ? WideToUtf8(std::wstring_view(buf, n)) : std::string();
}

class ProductLogin : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string dll = qmtest::WindowsPathOf(QM_FAKE_LOGIN_DLL);
        for (int kind = 1; kind <= 4; ++kind) {
            const std::string key = "HKCR\\CLSID\\" + ClassId(kind) + "\\InprocServer32";
            ASSERT_TRUE(Reg("add " + key + " /ve /d \"" + dll + "\" /f"));
            ASSERT_TRUE(Reg("add " + key + " /v ThreadingModel /d Apartment /f"));
            Reg("delete HKCR\\" + std::string(kProgIds[kind - 1]) + " /f"); // none installed to begin with
        }
        Reg("delete \"HKLM\\SOFTWARE\\用友软件\" /f /reg:32");
        folder = new qmtest::TempFolder;
        sim = new qmtest::SimProcessWin;
        std::string error;
        ASSERT_TRUE(sim->Start(folder->path(), kScenario, error)) << error;
    }
    static void TearDownTestSuite() {
        delete sim;
        delete folder;
    }
    // Registers exactly these ProgIDs.
    void Install(const std::set<std::string>& wanted) {
        for (int kind = 1; kind <= 4; ++kind) {
            const std::string id = kProgIds[kind - 1];
            if (wanted.count(id) == installed.count(id)) continue;
            if (wanted.count(id)) ASSERT_TRUE(Reg("add HKCR\\" + id + "\\CLSID /ve /d " + ClassId(kind) + " /f"));
            else Reg("delete HKCR\\" + id + " /f");
        }
        installed = wanted;
    }

    static qmtest::TempFolder* folder;
    static qmtest::SimProcessWin* sim;
    std::set<std::string> installed;
    DefaultPlatform real = MakeDefaultPlatform(folder->path()); // the real automation factory among them
};
qmtest::TempFolder* ProductLogin::folder = nullptr;
qmtest::SimProcessWin* ProductLogin::sim = nullptr;

} // namespace

TEST_F(ProductLogin, EveryRoadOfTheAdministratorSignInAgainstTheRegisteredComponent) {
    const std::string proving = "Provider=SQLOLEDB;User ID=sa;Password=口令sa;Data Source=" + sim->Server() + ";";
    const std::string login7 = "U8Login.clsLogin.Login(AA,,,admin,,," + LocalSystemInfo().ComputerName() + ")";
    struct Road {
        const char* name;
        std::set<std::string> installed;
        std::map<std::string, std::string> env;
        bool result;
        const char* version;
        bool install;
        std::vector<std::string> shown, logged;
    };
    const std::string mustBeAdmin = "1 登录失败：必须以系统管理员身份登录!";
    // clang-format off
    const Road roads[] = {
        {"nothing installed", {}, {}, false, "", false, {}, {}},
        {"U8 10.x present", {progid::kU8FrontEnd, progid::kU8Login}, {}, false, "U8", false, {},
         {"new UFSoft.U8.Framework.Login.UI.clsLogin"}},
        {"T6 signs in as admin and proves it", {progid::kU8Login, progid::kUfDatabase},
         {{"QM_COM_DbConnect", proving}, {"QM_COM_UfDbName", "UFDATA 连接"}, {"QM_COM_cacc_id", "001"},
          {"QM_COM_ciyear", "2015"}, {"QM_COM_cUsername", "系统管理员"}},
         true, "T6", true, {}, {login7, "USDbKit.UfDatabase.OpenDatabase(UFDATA 连接)"}},
        {"T3 refuses the direct sign-in and is retried as Admin", {progid::kT3Login},
         {{"QM_COM_DbConnect", proving}, {"QM_COM_REFUSE", "1"}}, true, "T3", true, {},
         {"UFLoginSQL.Login.LoginAs(DP)", "UFLoginSQL.Login.Login()", "Login().cUsername=Admin",
          "UFLoginSQL.Login.Login(DP)"}},
        {"an account set twice, then the administrator", {progid::kU8Login},
         {{"QM_COM_DbConnect", proving}, {"QM_COM_cAccName", "演示公司|演示公司"}}, true, "T6", true,
         {mustBeAdmin, mustBeAdmin}, {}},
        {"LogState 100 gives up", {progid::kU8Login}, {{"QM_COM_LogState", "100"}}, false, "T6", true, {},
         {"U8Login.clsLogin.ClearError()"}},
        {"a wrong password is not proven", {progid::kU8Login},
         {{"QM_COM_DbConnect", "Password=sa123;Data Source=" + sim->Server() + ";"}}, false, "T6", true, {}, {}},
        {"unless the component says the administrator cannot do business", {progid::kU8Login},
         {{"QM_COM_DbConnect", "Password=sa123;Data Source=" + sim->Server() + ";"},
          {"QM_COM_sharestring", "系统管理员不能进行业务处理"}},
         true, "T6", true, {}, {}},
    };
    // clang-format on
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        Install(road.installed);
        for (const char* name :
             {"QM_COM_LOG", "QM_COM_DbConnect", "QM_COM_UfDbName", "QM_COM_cacc_id", "QM_COM_ciyear",
              "QM_COM_cUsername", "QM_COM_REFUSE", "QM_COM_cAccName", "QM_COM_LogState", "QM_COM_sharestring"})
            SetEnv(name, road.env.count(name) ? road.env.at(name) : "");
        qmtest::RecordingDialog dialog;
        ClsUFLogin login(real.platform, &dialog);
        EXPECT_EQ(qmtest::SignIn(login), road.result);
        EXPECT_EQ(login.Version(), road.version);
        EXPECT_EQ(login.Install(), road.install);
        EXPECT_EQ(dialog.shown, road.shown);
        const std::string log = Env("QM_COM_LOG");
        for (const std::string& line : road.logged)
            EXPECT_NE(log.find(line + "\n"), std::string::npos) << line << " in:\n" << log;
        if (road.result && road.env.count("QM_COM_cacc_id")) {
            EXPECT_EQ(login.Server() + "|" + login.DBUser() + "|" + login.DBPwd() + "|" + login.DBName(),
                      sim->Server() + "|SA|口令sa|UFdata_001_2015");
            EXPECT_EQ(login.Username(), "系统管理员");
        }
        login.ShutDown();
    }
}

TEST_F(ProductLogin, TheU8InstallationKeysOpenInThe32BitViewAndStopTheSignIn) {
    const char* const keys[] = {
        "SOFTWARE\\用友软件\\用友ERP-U8\\8.61.000\\", "SOFTWARE\\用友软件\\用友ERP-U8V10.0\\8.10.000\\",
        "SOFTWARE\\用友软件\\用友软件\\用友U8V10.1\\8.10.000\\", "SOFTWARE\\用友软件\\用友U8V10.0\\", kU8Key};
    LocalRegistry registry;
    for (const char* key : keys) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(registry.CanOpenLocalMachineKey(key));
        // The products are 32-bit: their keys live in the 32-bit view, where the tool reads them.
        ASSERT_TRUE(Reg("add \"HKLM\\" + std::string(key).substr(0, strlen(key) - 1) + "\" /f /reg:32"));
        EXPECT_TRUE(registry.CanOpenLocalMachineKey(key));
        EXPECT_FALSE(registry.CanOpenLocalMachineKey(std::string(key) + "不存在\\"));
    }
    Install({progid::kU8Login});
    SetEnv("QM_COM_LOG", "");
    ClsUFLogin login(real.platform, nullptr);
    EXPECT_TRUE(login.SpeLogin());
    EXPECT_FALSE(qmtest::SignIn(login));
    EXPECT_EQ(login.Version(), "T6");
    EXPECT_EQ(Env("QM_COM_LOG").find("Login("), std::string::npos); // no sign-in was started
    Reg("delete \"HKLM\\SOFTWARE\\用友软件\" /f /reg:32");
    EXPECT_FALSE(login.SpeLogin());
}
