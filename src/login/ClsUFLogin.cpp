#include "login/ClsUFLogin.h"

#include "app/Db.h"
#include "platform/SystemServices.h"
#include "platform/Text.h"

#include <algorithm>

namespace qm {
namespace {

// Keys of U8 installations whose login the tool does not drive through the component.
const char* const kSpecialKeys[] = {
    "SOFTWARE\\用友软件\\用友ERP-U8\\8.61.000\\",
    "SOFTWARE\\用友软件\\用友ERP-U8V10.0\\8.10.000\\",
    "SOFTWARE\\用友软件\\用友软件\\用友U8V10.1\\8.10.000\\",
    "SOFTWARE\\用友软件\\用友U8V10.0\\",
    "SOFTWARE\\用友软件\\用友U8V10.1\\",
};

// A creation whose error says the component is not installed.
bool NotInstalled(const AutoError& e) {
    return e.number == autoerr::kCannotCreate || e.number == autoerr::kNoObject || e.number == autoerr::kNoMember ||
           e.description == autoerr::kAutomationErrorText;
}

// The proving connection as handed out again: a fresh connection that remembers its text until opened.
class CarriedConnection final : public Connection {
public:
    CarriedConnection(std::shared_ptr<Connection> inner, std::string text)
        : inner_(std::move(inner)), text_(std::move(text)) {}
    bool Open(const std::string& connectionString, std::string& error) override {
        if (!connectionString.empty()) text_ = connectionString;
        return inner_->Open(text_, error);
    }
    int State() const override { return inner_->State(); }
    void SetCommandTimeout(int seconds) override { inner_->SetCommandTimeout(seconds); }
    int CommandTimeout() const override { return inner_->CommandTimeout(); }
    const std::string& ConnectionString() const override { return text_; }
    SqlResult Execute(const std::string& sql) override { return inner_->Execute(sql); }
    void Cancel() override { inner_->Cancel(); }

private:
    std::shared_ptr<Connection> inner_;
    std::string text_;
};

} // namespace

bool FindConnectionItem(const std::string& source, const std::string& upperKey, std::string& value) {
    // Only ASCII letters change case, so the offset found holds in the original text.
    size_t at = AsciiUpper(source).find(upperKey);
    if (at == std::string::npos) return false;
    size_t start = at + upperKey.size();
    size_t end = source.find(';', start);
    if (end == std::string::npos) return false;
    value = Trim(std::string_view(source).substr(start, end - start));
    return true;
}

ClsUFLogin::ClsUFLogin(const Platform& platform, MsgDialog* ownDialog) : platform_(platform), dialog_(ownDialog) {}

ClsUFLogin::~ClsUFLogin() = default;

bool ClsUFLogin::Regedit(std::string& pSubId, std::string&, std::string&, std::string&, std::string&, std::string&,
                         std::string&) {
    version_.clear();
    success_ = false;
    install_ = false;
    if (pSubId.empty()) pSubId = "DP";

    // The administrator sign-in; the caller's other values are not used by it.
    for (;;) {
        switch (SignInPass()) {
        case Pass::GiveUp: return false;
        case Pass::AccountSet: Show(kMsgWarning, kMsgMustBeAdmin); continue;
        case Pass::SignedIn: break;
        }
        break;
    }
    return ProveSignIn();
}

ClsUFLogin::Pass ClsUFLogin::SignInPass() {
    err_.Clear();
    version_.clear();
    login_.reset();

    // The U8 10.x front end is created only to learn that U8 10.x is installed; its administrator does
    // not sign in through it. A creation that gives no object counts as not installed whatever its error.
    frontEnd_ = Create(progid::kU8FrontEnd);
    if (frontEnd_ && !NotInstalled(err_)) {
        version_ = "U8";
        return Pass::GiveUp;
    }

    version_ = "T6";
    err_.Clear();
    login_ = Create(progid::kU8Login);
    if (err_.number == autoerr::kNoObject) {
        Show(kMsgError, kMsgCheckInstall);
        install_ = false;
        return Pass::GiveUp;
    }
    if (!login_ || NotInstalled(err_)) {
        err_.Clear();
        version_ = "T3";
        login_ = Create(progid::kT3Login);
        if (!login_ || err_.number == autoerr::kCannotCreate || err_.number == autoerr::kNoObject ||
            err_.number == autoerr::kNoMember) {
            version_.clear();
            install_ = false;
            return Pass::GiveUp;
        }
    }

    if (SpeLogin()) return Pass::GiveUp;

    if (version_ == "T6") {
        Call(login_, "Login",
             {AutoValue::Text("AA"), AutoValue::Text(""), AutoValue::Text(""), AutoValue::Text("admin"),
              AutoValue::Text(""), AutoValue::Text(""), AutoValue::Text(ComputerName())});
    } else {
        Call(login_, "LoginAs", {AutoValue::Text("DP")});
    }
    if (!err_.description.empty()) {
        // The component refused the direct administrator sign-in: name the user on its login and retry.
        AutoValue inner = Call(login_, "Login", {});
        Set(inner.object(), "cUsername", AutoValue::Text("Admin"));
        Call(login_, "Login", {AutoValue::Text("DP")});
    }

    install_ = true;
    if (Get(login_, "LogState").toNumber() == 100) {
        Call(login_, "ClearError", {});
        return Pass::GiveUp;
    }
    if (!GetText("cAccName").empty()) return Pass::AccountSet;
    return Pass::SignedIn;
}

bool ClsUFLogin::ProveSignIn() {
    ufDatabase_ = Create(progid::kUfDatabase);
    Call(ufDatabase_, "OpenDatabase", {Get(login_, "UfDbName")});

    std::string source = Get(Get(login_, "UfSystemDb").object(), "DbConnect").toText();
    std::string password;
    if (!FindConnectionItem(source, "PASSWORD=", password)) password.clear();
    std::string server;
    if (FindConnectionItem(source, "DATA SOURCE=", server)) server_ = server;

    password.erase(std::remove(password.begin(), password.end(), '"'), password.end());
    std::string sysPassword = GetText("SysPassword");
    if (!sysPassword.empty()) password = sysPassword;
    if (password == "''") password.clear();

    dbPwd_ = password;
    if (server_.empty()) server_ = GetText("cServer");
    dbUser_ = "SA";
    std::string acc = GetText("cacc_id");
    std::string year = GetText("ciyear");
    dbName_ = (acc.empty() || year.empty()) ? "UFSystem" : "UFdata_" + acc + "_" + year;

    connText_ = BuildConnectionString(server_, dbName_, dbUser_, password);
    conn_ = platform_.connections->Create();
    if (conn_) {
        std::string error;
        conn_->Open(connText_, error);
    }

    if (conn_ && conn_->State() == 1) {
        accId_ = GetText("cacc_id");
        accName_ = GetText("cAccName");
        year_ = GetText("ciyear");
        subname_ = GetText("cSubname");
        userId_ = GetText("cUserID");
        username_ = GetText("cUsername");
        userpassword_ = GetText("cUserpassword");
        success_ = true;
        return true;
    }
    if (GetText("sharestring") == kShareAdminNoBusiness) {
        success_ = true;
        return true;
    }
    return false;
}

bool ClsUFLogin::SpeLogin() {
    for (const char* key : kSpecialKeys)
        if (platform_.registry->CanOpenLocalMachineKey(key)) return true;
    return false;
}

void ClsUFLogin::ShutDown() {
    if (!login_) return;
    AutoValue ignored;
    AutoError e;
    AutoCall(login_, "ShutDown", {}, ignored, e);
    login_.reset();
}

std::string ClsUFLogin::DBPwd() {
    if (dbPwd_ == "''") dbPwd_.clear();
    return dbPwd_;
}

std::shared_ptr<Connection> ClsUFLogin::SQLConn() const {
    if (!conn_) return nullptr;
    std::shared_ptr<Connection> fresh = platform_.connections->Create();
    if (!fresh) return nullptr;
    return std::make_shared<CarriedConnection>(std::move(fresh), connText_);
}

std::shared_ptr<AutomationObject> ClsUFLogin::oLogin() {
    if (login_) return login_;
    for (const char* id : {progid::kT3Login, progid::kU8Login}) {
        AutoError e;
        std::shared_ptr<AutomationObject> obj = platform_.automation->Create(id, e);
        if (obj && !NotInstalled(e)) return obj;
    }
    return nullptr;
}

std::shared_ptr<AutomationObject> ClsUFLogin::oUfSystemdb() {
    AutoValue v;
    AutoError e;
    if (!AutoGet(login_, "UfSystemDb", v, e)) return nullptr;
    return v.object();
}

std::shared_ptr<AutomationObject> ClsUFLogin::Create(const char* progId) {
    AutoError e;
    std::shared_ptr<AutomationObject> obj = platform_.automation->Create(progId, e);
    if (e.failed()) err_ = e;
    return obj;
}

AutoValue ClsUFLogin::Get(const std::shared_ptr<AutomationObject>& obj, const std::string& property) {
    AutoValue v;
    AutoError e;
    if (!AutoGet(obj, property, v, e)) err_ = e;
    return v;
}

AutoValue ClsUFLogin::Call(const std::shared_ptr<AutomationObject>& obj, const std::string& member,
                           const std::vector<AutoValue>& args) {
    AutoValue v;
    AutoError e;
    if (!AutoCall(obj, member, args, v, e)) err_ = e;
    return v;
}

void ClsUFLogin::Set(const std::shared_ptr<AutomationObject>& obj, const std::string& property,
                     const AutoValue& value) {
    AutoError e;
    if (!AutoSet(obj, property, value, e)) err_ = e;
}

void ClsUFLogin::Show(int kind, const std::string& message) {
    if (dialog_) dialog_->ShowMsg(kind, message);
}

std::string ClsUFLogin::ComputerName() { return platform_.system->ComputerName(); }

std::unique_ptr<LoginWrapper> MakeProductLogin(AppState& app, MsgDialog* ownDialog) {
    return std::make_unique<ClsUFLogin>(app.platform, ownDialog);
}

} // namespace qm
