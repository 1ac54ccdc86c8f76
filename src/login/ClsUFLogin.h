#pragma once
// clsUFLogin: signs the operator in through the accounting product's own login component as its system
// administrator, takes the SQL Server name and password the product uses out of the component's
// connection texts and proves them with a connection of its own.
#include "app/AppState.h"
#include "app/Interfaces.h"
#include "platform/Automation.h"
#include "platform/Connection.h"
#include "platform/Platform.h"

#include <memory>
#include <string>

namespace qm {

// ProgIDs of the product's components.
namespace progid {
inline constexpr const char* kU8FrontEnd = "UFSoft.U8.Framework.Login.UI.clsLogin"; // U8 10.x
inline constexpr const char* kU8Login = "U8Login.clsLogin";                         // T6, older U8
inline constexpr const char* kT3Login = "UFLoginSQL.Login";                         // T3
inline constexpr const char* kUfDatabase = "USDbKit.UfDatabase";
} // namespace progid

// Message texts of the wrapper (kind 4 and kind 1).
inline constexpr const char* kMsgCheckInstall = "请检查用友软件系统安装是否正常，是否能正常登录及使用！";
inline constexpr const char* kMsgMustBeAdmin = "登录失败：必须以系统管理员身份登录!";
// The component's sharestring that accepts a sign-in whose proving connection did not open.
inline constexpr const char* kShareAdminNoBusiness = "系统管理员不能进行业务处理";

// Texts found in the component's connection text: the value after `key` (matched in any letter case) up
// to the next ";", blanks around it removed, its own letter case kept. False when the key is missing or
// no ";" follows it.
bool FindConnectionItem(const std::string& source, const std::string& upperKey, std::string& value);

class ClsUFLogin final : public LoginWrapper {
public:
    // `platform` supplies the automation factory, registry, computer name and connections.
    // `ownDialog` is the wrapper's own message dialog; null shows nothing.
    ClsUFLogin(const Platform& platform, MsgDialog* ownDialog);
    ~ClsUFLogin() override;
    ClsUFLogin(const ClsUFLogin&) = delete;
    ClsUFLogin& operator=(const ClsUFLogin&) = delete;

    // LoginWrapper
    void SetAdmin(bool admin) override { admin_ = admin; }
    bool Regedit(std::string& pSubId, std::string& pAccId, std::string& pYearId, std::string& pUserId,
                 std::string& pPassword, std::string& pDate, std::string& cSrv) override;
    bool Success() const override { return success_; }
    std::string Version() const override { return version_; }
    std::string Server() const override { return server_; }
    std::string DBUser() const override { return dbUser_; }
    std::string DBPwd() override;

    // True when a product version is installed for which the component is not used (U8 10.x keys).
    bool SpeLogin();
    // Ends the component's login and releases the login object.
    void ShutDown();

    bool Admin() const { return admin_; }
    bool Install() const { return install_; }
    std::string DBName() const { return dbName_; }
    std::string AccID() const { return accId_; }
    std::string AccName() const { return accName_; }
    std::string Year() const { return year_; }
    std::string Subname() const { return subname_; }
    std::string UserId() const { return userId_; }
    std::string Username() const { return username_; }
    std::string Userpassword() const { return userpassword_; }

    // A new, unopened connection carrying the proving connection's text (Open("") opens with it);
    // null when no proving connection was made.
    std::shared_ptr<Connection> SQLConn() const;
    // The held login object; when none is held, a new "UFLoginSQL.Login" or, failing that,
    // "U8Login.clsLogin"; null when neither can be created.
    std::shared_ptr<AutomationObject> oLogin();
    // The login object's UfSystemDb; null on error.
    std::shared_ptr<AutomationObject> oUfSystemdb();

private:
    enum class Pass { SignedIn, AccountSet, GiveUp };
    Pass SignInPass();
    bool ProveSignIn();

    std::shared_ptr<AutomationObject> Create(const char* progId);
    AutoValue Get(const std::shared_ptr<AutomationObject>& obj, const std::string& property);
    AutoValue Call(const std::shared_ptr<AutomationObject>& obj, const std::string& member,
                   const std::vector<AutoValue>& args);
    void Set(const std::shared_ptr<AutomationObject>& obj, const std::string& property, const AutoValue& value);
    std::string GetText(const std::string& property) { return Get(login_, property).toText(); }
    void Show(int kind, const std::string& message);
    std::string ComputerName();

    Platform platform_;
    MsgDialog* dialog_;
    AutoError err_; // the pending error of the last failing step; only named checks read it

    bool admin_ = false;
    bool success_ = false;
    bool install_ = false;
    std::string version_, server_, dbUser_, dbPwd_, dbName_;
    std::string accId_, accName_, year_, subname_, userId_, username_, userpassword_;

    std::shared_ptr<AutomationObject> frontEnd_; // U8 10.x front end, created only to detect it
    std::shared_ptr<AutomationObject> login_;
    std::shared_ptr<AutomationObject> ufDatabase_;
    std::shared_ptr<Connection> conn_; // the proving connection
    std::string connText_;
};

// The wrapper start-up puts into AppState::makeLoginWrapper; `ownDialog` must outlive it.
std::unique_ptr<LoginWrapper> MakeProductLogin(AppState& app, MsgDialog* ownDialog);

} // namespace qm
