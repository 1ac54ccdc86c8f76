#include "platform/OdbcConnectionString.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace qm {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool IsFreeTds(const std::string& driver) {
    const std::string d = Lower(driver);
    return d.find("freetds") != std::string::npos || d.find("tdsodbc") != std::string::npos;
}

std::string First(const std::vector<ConnectionItem>& items, std::initializer_list<std::string_view> keys) {
    for (std::string_view k : keys)
        if (auto v = FindConnectionItem(items, k)) return *v;
    return {};
}

void Add(std::string& out, std::string_view key, const std::string& value) {
    out.append(key);
    out += '=';
    out += QuoteOdbcValue(value);
    out += ';';
}

bool IsYes(const std::string& v) {
    const std::string l = Lower(Trim(v));
    return l == "yes" || l == "true" || l == "sspi";
}

} // namespace

std::vector<ConnectionItem> ParseConnectionText(std::string_view text) {
    std::vector<ConnectionItem> items;
    size_t i = 0;
    while (i < text.size()) {
        const size_t eq = text.find('=', i);
        const size_t semi = text.find(';', i);
        if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
            // An item without '=' carries nothing; skip it.
            if (semi == std::string_view::npos) break;
            i = semi + 1;
            continue;
        }
        ConnectionItem item;
        item.key = std::string(Trim(text.substr(i, eq - i)));
        size_t j = eq + 1;
        while (j < text.size() && text[j] == ' ') ++j;
        const char open = j < text.size() ? text[j] : '\0';
        if (open == '{' || open == '"' || open == '\'') {
            const char close = open == '{' ? '}' : open;
            ++j;
            while (j < text.size()) {
                if (text[j] == close) {
                    if (j + 1 < text.size() && text[j + 1] == close) {
                        item.value += close;
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                item.value += text[j++];
            }
            const size_t end = text.find(';', j);
            i = end == std::string_view::npos ? text.size() : end + 1;
        } else {
            const size_t end = text.find(';', eq + 1);
            const size_t stop = end == std::string_view::npos ? text.size() : end;
            item.value = std::string(Trim(text.substr(eq + 1, stop - eq - 1)));
            i = end == std::string_view::npos ? text.size() : end + 1;
        }
        if (!item.key.empty()) items.push_back(std::move(item));
    }
    return items;
}

std::optional<std::string> FindConnectionItem(const std::vector<ConnectionItem>& items, std::string_view key) {
    const std::string want = Lower(key);
    std::optional<std::string> found;
    for (const ConnectionItem& it : items)
        if (Lower(it.key) == want) found = it.value;
    return found;
}

std::string QuoteOdbcValue(const std::string& value) {
    // Braces only where the value could not stand bare: FreeTDS 1.3 keeps a doubled "}}" inside
    // braces as two characters, so a bare value is the only exact form for a '}'.
    const bool needs = value.find(';') != std::string::npos ||
                       (!value.empty() && (value.front() == '{' || std::isspace(static_cast<unsigned char>(value.front())) ||
                                           std::isspace(static_cast<unsigned char>(value.back()))));
    if (!needs) return value;
    std::string out = "{";
    for (char c : value) {
        out += c;
        if (c == '}') out += '}';
    }
    out += '}';
    return out;
}

ServerAddress ParseServerName(std::string_view server) {
    ServerAddress a;
    std::string_view s = Trim(server);
    if (s.size() >= 4 && Lower(s.substr(0, 4)) == "tcp:") s = Trim(s.substr(4));
    const size_t comma = s.find(',');
    if (comma != std::string_view::npos) {
        const std::string_view portText = Trim(s.substr(comma + 1));
        int port = 0;
        auto [p, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (ec != std::errc() || p != portText.data() + portText.size() || port <= 0 || port > 65535)
            a.valid = false;
        else
            a.port = port;
        s = Trim(s.substr(0, comma));
    }
    const size_t slash = s.find('\\');
    if (slash != std::string_view::npos) {
        a.instance = std::string(Trim(s.substr(slash + 1)));
        s = Trim(s.substr(0, slash));
    }
    const std::string host = Lower(s);
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
    const std::string provider = Lower(First(items, {"Provider"}));
    spec = OdbcConnectSpec{};

    const std::string timeout = First(items, {"Connect Timeout", "Connection Timeout"});
    if (!timeout.empty()) {
        int t = 0;
        auto [p, ec] = std::from_chars(timeout.data(), timeout.data() + timeout.size(), t);
        if (ec == std::errc() && p == timeout.data() + timeout.size() && t > 0) spec.loginTimeout = t;
    }

    if (provider.rfind("microsoft.jet.oledb", 0) == 0) {
        const std::string path = First(items, {"Data Source"});
        std::string out = "DRIVER={" + drivers.jet + "};";
        Add(out, "DBQ", path);
        const std::string pwd = First(items, {"Jet OLEDB:Database Password"});
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

    const std::string server = First(items, {"Server", "Data Source", "Address", "Addr", "Network Address"});
    const std::string database = First(items, {"Database", "Initial Catalog"});
    const std::string user = First(items, {"Uid", "User ID", "User"});
    const std::string password = First(items, {"Pwd", "Password"});
    const bool trusted = IsYes(First(items, {"Trusted_Connection", "Integrated Security"}));

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
            Add(out, "SERVER", a.host + "\\" + a.instance);   // the driver asks SQL Browser for the port
        }
    } else {
        Add(out, "SERVER", std::string(Trim(server)));
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
