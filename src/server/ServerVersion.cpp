#include "server/ServerVersion.h"

#include "app/Db.h"
#include "platform/Text.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace qm {

namespace {

constexpr const char* kVersionQuery =
    "SELECT  SERVERPROPERTY('productversion') as productversion,SERVERPROPERTY ('edition') as version";
constexpr const char* kOverflow = "溢出";
constexpr const char* kNoCurrentRecord =
    "BOF 或 EOF 中有一个是“真”，或者当前记录已被删除，所请求的操作要求一个当前记录。";
constexpr const char* kInvalidNull = "无效使用 Null";
constexpr const char* kNoSuchField = "在对应所需名称或序数的集合中，未找到项目。";

// The numeric reading of a text the way a decimal prefix is read: blanks anywhere are ignored, then
// an optional sign, digits, an optional fraction and exponent; the reading stops at the first
// character that cannot continue the number ("4035.00." reads 4035, "1600.1." reads 1600.1).
double ReadNumberPrefix(std::string_view s) {
    std::string compact;
    for (char c : s)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') compact += c;
    std::string num;
    size_t i = 0;
    auto digits = [&] {
        size_t start = i;
        while (i < compact.size() && compact[i] >= '0' && compact[i] <= '9') num += compact[i++];
        return i > start;
    };
    if (i < compact.size() && (compact[i] == '+' || compact[i] == '-')) num += compact[i++];
    bool any = digits();
    if (i < compact.size() && compact[i] == '.') {
        num += compact[i++];
        any = digits() || any;
    }
    if (!any) return 0;
    if (i < compact.size() && (compact[i] == 'e' || compact[i] == 'E' || compact[i] == 'd' || compact[i] == 'D')) {
        std::string exp = "e";
        size_t j = i + 1;
        if (j < compact.size() && (compact[j] == '+' || compact[j] == '-')) exp += compact[j++];
        size_t startDigits = j;
        while (j < compact.size() && compact[j] >= '0' && compact[j] <= '9') exp += compact[j++];
        if (j > startDigits) num += exp;
    }
    return std::strtod(num.c_str(), nullptr);
}

// Rounds to the nearest whole number, halves to the even neighbour, into a 16-bit signed integer;
// nothing when the result does not fit.
std::optional<int16_t> ToInt16(double d) {
    if (!std::isfinite(d)) return std::nullopt;
    double fl = std::floor(d);
    double diff = d - fl;
    double r = fl;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(fl, 2.0) != 0)) r = fl + 1;
    if (r < -32768.0 || r > 32767.0) return std::nullopt;
    return static_cast<int16_t>(r);
}

// Position (from 1) of the first "." at or after `start` (from 1); 0 when there is none.
size_t FindDot(const std::string& s, size_t start) {
    if (start < 1 || start > s.size()) return 0;
    size_t p = s.find('.', start - 1);
    return p == std::string::npos ? 0 : p + 1;
}

// The first build of each service pack, per major version; 2017 and later have none.
struct ServicePackStarts {
    int major;
    std::array<int, 4> firstBuild; // SP1..SP4; 0 past the last one
};
constexpr ServicePackStarts kServicePacks[] = {
    {8, {384, 534, 760, 2039}},     {9, {2047, 3042, 4035, 0}},  {10, {2531, 0, 0, 0}},
    {11, {3000, 5058, 6020, 7001}}, {12, {4100, 5000, 6024, 0}}, {13, {4001, 5026, 6300, 0}},
};

std::string ServicePack(int major, int build) {
    for (const ServicePackStarts& t : kServicePacks) {
        if (t.major != major) continue;
        int sp = 0;
        while (sp < 4 && t.firstBuild[size_t(sp)] != 0 && build >= t.firstBuild[size_t(sp)]) ++sp;
        return sp == 0 ? "" : "SP" + std::to_string(sp);
    }
    return "";
}

std::string ProductName(int major) {
    switch (major) {
    case 8: return "SQL Server 2000";
    case 9: return "SQL Server 2005";
    case 10: return "SQL Server 2008";
    case 11: return "SQL Server 2012";
    case 12: return "SQL Server 2014";
    case 13: return "SQL Server 2016";
    case 14: return "SQL Server 2017";
    case 15: return "SQL Server 2019";
    case 16: return "SQL Server 2022";
    case 17: return "SQL Server 2025";
    default: return "";
    }
}

// A field read as text: a Null cannot be, a missing field is an error like any other.
bool FieldText(const Recordset& rs, const std::string& field, std::string& out, std::string& error) {
    int col = rs.columnIndex(field);
    if (col < 0) {
        error = kNoSuchField;
        return false;
    }
    if (rs.rows.empty()) {
        error = kNoCurrentRecord;
        return false;
    }
    const auto& row = rs.rows.front();
    if (col >= int(row.size()) || row[col].isNull()) {
        error = kInvalidNull;
        return false;
    }
    out = row[col].toText();
    return true;
}

} // namespace

VersionClass VersionClassOfMajor(int major) {
    switch (major) {
    case 8: return VersionClass::Sql2000;
    case 9: return VersionClass::Sql2005;
    case 10: return VersionClass::Sql2008;
    default: return major >= 11 && major <= 17 ? VersionClass::Modern : VersionClass::None;
    }
}

std::string GetVersionName(std::string& productVersion, VersionClass& cls, std::string& error) {
    cls = VersionClass::None;
    if (productVersion.empty() || productVersion.back() != '.') productVersion += '.';
    const std::string& v = productVersion;

    const size_t p1 = FindDot(v, 1);
    auto major = ToInt16(ReadNumberPrefix(std::string_view(v).substr(0, p1 - 1)));
    if (!major) {
        error = kOverflow;
        return "";
    }

    const size_t p2 = FindDot(v, p1 + 1);
    const size_t p3 = FindDot(v, p2 + 1);
    int16_t build = 0;
    if (p3 > 0) {
        // Deliberately p3 - 1 characters from p2 + 1: the reading runs over the revision as a fraction
        // and stops at the following ".", so 4035.00 gives 4035 and 1600.1 rounds to 1600.
        std::string_view field = std::string_view(v).substr(p2, p3 - 1);
        auto b = ToInt16(ReadNumberPrefix(field));
        if (!b) {
            error = kOverflow;
            return "";
        }
        build = *b;
    }

    cls = VersionClassOfMajor(*major);
    std::string result = ProductName(*major) + " " + ServicePack(*major, build);
    if (Trim(result).empty()) return productVersion;
    return result;
}

std::string GetEditionName(const std::string& edition) {
    static const std::pair<const char*, const char*> kEditions[] = {
        {"Desktop Engine", "MSDE"},       {"Developer Edition", "开发版"},
        {"Enterprise Edition", "企业版"}, {"Enterprise Evaluation Edition", "企业评估版"},
        {"Personal Edition", "个人版"},   {"Standard Edition", "标准版"},
    };
    const std::string trimmed = Trim(edition);
    for (const auto& [reported, label] : kEditions)
        if (trimmed == reported) return label;
    return edition;
}

std::string GetServerVersion(AppState& app, std::string& message, const std::shared_ptr<Connection>& conn,
                             VersionClass& cls) {
    cls = VersionClass::None;
    message.clear();
    SqlResult r = ExecuteSql(app, conn, kVersionQuery);
    if (!r.ok) {
        message = r.error;
        return "";
    }
    std::string productVersion, edition, error;
    if (!FieldText(r.recordset, "productversion", productVersion, error) ||
        !FieldText(r.recordset, "version", edition, error)) {
        message = error;
        return "";
    }
    VersionClass parsed = VersionClass::None;
    std::string name = GetVersionName(productVersion, parsed, error);
    if (!error.empty()) {
        message = error;
        return "";
    }
    cls = parsed;
    return name + " " + GetEditionName(edition);
}

} // namespace qm
