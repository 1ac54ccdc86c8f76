// The product login wrapper against a scripted login component.
#include "LoginFixture.h"

using namespace qm;
using namespace qmtest;

namespace {

// ---- which component is found, and when the wrapper gives up --------------------------------------------

TEST_F(LoginTest, U8TenPresentGivesUpAsU8AtOnceWithoutDialog) {
    InstallU8FrontEnd();
    InstallT6();
    EXPECT_FALSE(Run());
    EXPECT_EQ(login->Version(), "U8");
    EXPECT_FALSE(login->Success());
    EXPECT_FALSE(login->Install());
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_EQ(automation.CreationsOf(progid::kU8Login), 0);
    EXPECT_TRUE(connections.created.empty());
}

TEST_F(LoginTest, NoComponentGivesUpWithEmptyVersionAndNothingShown) {
    EXPECT_FALSE(Run());
    EXPECT_EQ(login->Version(), "");
    EXPECT_FALSE(login->Install());
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_EQ(automation.creations,
              (std::vector<std::string>{progid::kU8FrontEnd, progid::kU8Login, progid::kT3Login}));
}

TEST_F(LoginTest, LoginObjectFailingWithNoObjectShowsInstallCheck) {
    automation.Fail(progid::kU8Login, AutoError::Make(91));
    InstallT3();
    EXPECT_FALSE(Run());
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].kind, 4);
    EXPECT_EQ(dialog.shown[0].message, "请检查用友软件系统安装是否正常，是否能正常登录及使用！");
    EXPECT_FALSE(login->Install());
    EXPECT_EQ(login->Version(), "T6");
    EXPECT_EQ(automation.CreationsOf(progid::kT3Login), 0);
}

TEST_F(LoginTest, EveryNotInstalledErrorFallsBackToT3) {
    for (AutoError e : {AutoError::Make(429), AutoError::Make(438),
                        FakeAutomationFactory::Error(-2147467259, "自动化错误"),
                        FakeAutomationFactory::Error(-2147024770, "自动化错误")}) {
        SCOPED_TRACE(e.number);
        automation.creations.clear();
        automation.created.clear();
        automation.Fail(progid::kU8Login, e);
        InstallT3();
        EXPECT_TRUE(Run());
        EXPECT_EQ(login->Version(), "T3");
        EXPECT_TRUE(dialog.shown.empty());
        auto obj = LastLogin(progid::kT3Login);
        ASSERT_TRUE(obj);
        EXPECT_EQ(obj->CallsOf("LoginAs"), (std::vector<std::vector<std::string>>{{"DP"}}));
        EXPECT_TRUE(obj->CallsOf("Login").empty());
    }
}

TEST_F(LoginTest, T3CreationFailureGivesUpWithEmptyVersion) {
    // 429, 91 and 438 are named; an automation error that yields no object gives up the same way.
    for (AutoError e : {AutoError::Make(429), AutoError::Make(91), AutoError::Make(438),
                        FakeAutomationFactory::Error(-2147467259, "自动化错误")}) {
        SCOPED_TRACE(e.number);
        automation.Fail(progid::kT3Login, e);
        EXPECT_FALSE(Run());
        EXPECT_EQ(login->Version(), "");
        EXPECT_FALSE(login->Install());
        EXPECT_TRUE(dialog.shown.empty());
    }
}

TEST_F(LoginTest, FrontEndAutomationErrorMeansNotInstalled) {
    automation.Fail(progid::kU8FrontEnd, FakeAutomationFactory::Error(-2147221164, "自动化错误"));
    InstallT6();
    EXPECT_TRUE(Run());
    EXPECT_EQ(login->Version(), "T6");
}

TEST_F(LoginTest, AnyU8InstallationKeyStopsBeforeSignIn) {
    const std::vector<std::string> keys = {
        "SOFTWARE\\用友软件\\用友ERP-U8\\8.61.000\\",
        "SOFTWARE\\用友软件\\用友ERP-U8V10.0\\8.10.000\\",
        "SOFTWARE\\用友软件\\用友软件\\用友U8V10.1\\8.10.000\\",
        "SOFTWARE\\用友软件\\用友U8V10.0\\",
        "SOFTWARE\\用友软件\\用友U8V10.1\\",
    };
    EXPECT_FALSE(login->SpeLogin());
    EXPECT_EQ(registry.asked, keys);
    InstallT6();
    for (const auto& key : keys) {
        SCOPED_TRACE(key);
        registry.keys = {key};
        EXPECT_FALSE(Run());
        EXPECT_EQ(login->Version(), "T6");
        EXPECT_FALSE(login->Install());
        EXPECT_TRUE(dialog.shown.empty());
        EXPECT_TRUE(LastLogin()->CallsOf("Login").empty());
    }
    EXPECT_TRUE(connections.created.empty());
}

TEST_F(LoginTest, U8KeyWithT3KeepsT3) {
    InstallT3();
    registry.keys = {"SOFTWARE\\用友软件\\用友U8V10.1\\"};
    EXPECT_FALSE(Run());
    EXPECT_EQ(login->Version(), "T3");
}

// ---- the administrator sign-in ---------------------------------------------------------------------------

TEST_F(LoginTest, T6SignsInAsAdminOnThisComputer) {
    InstallT6();
    EXPECT_TRUE(Run());
    auto obj = LastLogin();
    EXPECT_EQ(obj->CallsOf("Login"),
              (std::vector<std::vector<std::string>>{{"AA", "", "", "admin", "", "", "WS-ACCT01"}}));
    EXPECT_TRUE(obj->CallsOf("LoginAs").empty());
    EXPECT_TRUE(login->Install());
}

TEST_F(LoginTest, RefusedDirectSignInRetriesWithAdminUser) {
    component.refuseDirectLogin = true;
    for (bool t3 : {false, true}) {
        SCOPED_TRACE(t3);
        if (t3) {
            automation.classes.erase(progid::kU8Login);
            InstallT3();
        } else {
            InstallT6();
        }
        component.inner->props.clear();
        EXPECT_TRUE(Run());
        auto obj = LastLogin(t3 ? progid::kT3Login : progid::kU8Login);
        auto logins = obj->CallsOf("Login");
        ASSERT_GE(logins.size(), 2u);
        EXPECT_EQ(logins[logins.size() - 2], std::vector<std::string>{});
        EXPECT_EQ(logins.back(), std::vector<std::string>{"DP"});
        EXPECT_EQ(component.inner->props["cUsername"].toText(), "Admin");
    }
}

TEST_F(LoginTest, LogState100GivesUpSilently) {
    InstallT6();
    for (AutoValue state : {AutoValue::Number(100), T("100")}) {
        component.logState = state;
        EXPECT_FALSE(Run());
        EXPECT_TRUE(dialog.shown.empty());
        EXPECT_TRUE(login->Install());
        EXPECT_EQ(login->Version(), "T6");
        EXPECT_EQ(LastLogin()->CallsOf("ClearError").size(), 1u);
    }
    EXPECT_TRUE(connections.created.empty());
    EXPECT_EQ(automation.CreationsOf(progid::kUfDatabase), 0);
}

TEST_F(LoginTest, AccountSetInsteadOfAdminWarnsAndStartsAgainEachTime) {
    InstallT6();
    component.accNames = {"演示账套", "演示账套", "另一账套"};
    EXPECT_TRUE(Run());
    ASSERT_EQ(dialog.shown.size(), 3u);
    for (const auto& s : dialog.shown) {
        EXPECT_EQ(s.kind, 1);
        EXPECT_EQ(s.message, "登录失败：必须以系统管理员身份登录!");
    }
    EXPECT_EQ(automation.CreationsOf(progid::kU8FrontEnd), 4);
    EXPECT_EQ(automation.CreationsOf(progid::kU8Login), 4);
    for (const auto& obj : automation.CreatedOf(progid::kU8Login)) EXPECT_EQ(obj->CallsOf("Login").size(), 1u);
    EXPECT_EQ(connections.created.size(), 1u);
}

TEST_F(LoginTest, DatabaseObjectOpensTheAccountDatabase) {
    InstallT6();
    EXPECT_TRUE(Run());
    auto dbs = automation.CreatedOf(progid::kUfDatabase);
    ASSERT_EQ(dbs.size(), 1u);
    EXPECT_EQ(dbs[0]->CallsOf("OpenDatabase"), (std::vector<std::vector<std::string>>{{"UFDATA connection text"}}));
}

TEST_F(LoginTest, DatabaseObjectMissingDoesNotStopTheSignIn) {
    automation.classes.erase(progid::kUfDatabase);
    InstallT6();
    EXPECT_TRUE(Run());
    EXPECT_EQ(login->Server(), "SRV01");
}

} // namespace
