#include "platform/OdbcConnectionString.h"

#include <charconv>

namespace qm {

namespace {

bool IsFreeTds(const std::string& driver) {
    const std::string d = AsciiLower(driver);
    return d.find("freetds") != std::string::npos || d.find("tdsodbc") != std::string::npos;
}

void Add(std::string& out, std::string_view key, const std::string& value) {
    out.append(key);
    out += '=';
    out += QuoteConnectionValue(value);
    out += ';';
}

bool IsYes(const std::string& v) {
    const std::string l = AsciiLower(TrimView(v, kWhiteSpace));
    return l == "yes" || l == "true" || l == "sspi";
}

} // namespace

ServerAddress ParseServerName(std::string_view server) {
    ServerAddress a;
    const auto trim = [](std::string_view v) { return TrimView(v, kWhiteSpace); };
    std::string_view s = trim(server);
    if (EqualsNoCase(s.substr(0, 4), "tcp:")) s = trim(s.substr(4));
    const size_t comma = s.find(',');
    if (comma != std::string_view::npos) {
        const std::string_view portText = trim(s.substr(comma + 1));
        int port = 0;
        auto [p, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (ec != std::errc() || p != portText.data() + portText.size() || port <= 0 || port > 65535) a.valid = false;
        else a.port = port;
        s = trim(s.substr(0, comma));
    }
    const size_t slash = s.find('\\');
    if (slash != std::string_view::npos) {
        a.instance = std::string(trim(s.substr(slash + 1)));
        s = trim(s.substr(0, slash));
    }
    const std::string host = AsciiLower(s);
    a.host = (host.empty() || host == "." || host == "(local)" || host == "localhost") ? "127.0.0.1" : std::string(s);
    return a;
}

OdbcDrivers DefaultOdbcDrivers() {
    OdbcDrivers d;
#ifdef _WIN32
    d.sqlServer = "SQL Server";
    d.jet = "Microsoft Access Driver (*.mdb)";
#else
    d.sqlServer = "FreeTDS";
    d.jet = "MDBTools";
#endif
#ifdef QUILLMERE_ODBC_DRIVER
    d.sqlServer = QUILLMERE_ODBC_DRIVER;
#endif
    return d;
}

bool TranslateConnectionText(const std::string& adoText, const OdbcDrivers& drivers, OdbcConnectSpec& spec,
                             std::string& error) {
    const std::vector<ConnectionItem> items = ParseConnectionText(adoText);
    const std::string provider = AsciiLower(FirstConnectionItem(items, {"Provider"}));
    spec = OdbcConnectSpec{};

    const std::string timeout = FirstConnectionItem(items, {"Connect Timeout", "Connection Timeout"});
    if (!timeout.empty()) {
        int t = 0;
        auto [p, ec] = std::from_chars(timeout.data(), timeout.data() + timeout.size(), t);
        if (ec == std::errc() && p == timeout.data() + timeout.size() && t > 0) spec.loginTimeout = t;
    }

    if (provider.rfind("microsoft.jet.oledb", 0) == 0) {
        const std::string path = FirstConnectionItem(items, {"Data Source"});
        std::string out = "DRIVER={" + drivers.jet + "};";
        Add(out, "DBQ", path);
        const std::string pwd = FirstConnectionItem(items, {"Jet OLEDB:Database Password"});
        if (!pwd.empty()) Add(out, "PWD", pwd);
        spec.text = out;
        return true;
    }
    const bool sqlProvider = provider.empty() || provider.rfind("sqloledb", 0) == 0 ||
                             provider.rfind("sqlncli", 0) == 0 || provider.rfind("msoledbsql", 0) == 0;
    if (!sqlProvider) {
        error = "未找到提供程序。该程序可能未正确安装。";
        return false;
    }

    const std::string server =
        FirstConnectionItem(items, {"Server", "Data Source", "Address", "Addr", "Network Address"});
    const std::string database = FirstConnectionItem(items, {"Database", "Initial Catalog"});
    const std::string user = FirstConnectionItem(items, {"Uid", "User ID", "User"});
    const std::string password = FirstConnectionItem(items, {"Pwd", "Password"});
    const bool trusted = IsYes(FirstConnectionItem(items, {"Trusted_Connection", "Integrated Security"}));

    std::string out = "DRIVER={" + drivers.sqlServer + "};";
    if (IsFreeTds(drivers.sqlServer)) {
        const ServerAddress a = ParseServerName(server);
        if (!a.valid) {
            error = "SQL Server 不存在或拒绝访问。";
            return false;
        }
        if (a.port != 0 || a.instance.empty()) {
            Add(out, "SERVER", a.host);
            Add(out, "PORT", std::to_string(a.port != 0 ? a.port : 1433));
        } else {
            Add(out, "SERVER", a.host + "\\" + a.instance); // the driver asks SQL Browser for the port
        }
    } else {
        Add(out, "SERVER", Trim(server, kWhiteSpace));
    }
    if (!database.empty()) Add(out, "DATABASE", database);
    if (trusted) {
        out += "Trusted_Connection=Yes;";
    } else {
        Add(out, "UID", user);
        Add(out, "PWD", password);
    }
    if (IsFreeTds(drivers.sqlServer)) {
        // Wide calls come back as UTF-16 anyway; UTF-8 keeps narrow paths lossless for Chinese names.
        out += "ClientCharset=UTF-8;TDS_Version=7.3;";
    }
    spec.text = out;
    return true;
}

std::string StripDriverPrefixes(std::string_view message) {
    while (!message.empty() && message.front() == '[') {
        const size_t close = message.find(']');
        if (close == std::string_view::npos) break;
        message.remove_prefix(close + 1);
    }
    return std::string(message);
}

} // namespace qm
