#include "ui/PublisherInfo.h"

#include <algorithm>
#include <cctype>

namespace qm::ui {

namespace {

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

bool SameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The comment cut of the profile reader: "//" at 1-based position p keeps the first p − 2 characters.
std::string CutComment(std::string v) {
    const auto pos = v.find("//");
    if (pos == std::string::npos) return v;
    // A value that starts with the comment has nothing in front of it to keep.
    if (pos == 0) return {};
    return Trim(v.substr(0, pos - 1));
}

} // namespace

PublisherInfo DefaultPublisherInfo() {
    PublisherInfo i;
    i.company = "Quillmere";
    i.author = "Quillmere";
    i.intro = "数据库修复工具";
    return i;
}

PublisherInfo LoadPublisherInfo(const ReadmeKeyReader& read) {
    PublisherInfo i = DefaultPublisherInfo();
    if (!read) return i;
    i.company = read(kReadmeSection, "公司", i.company);
    i.author = read(kReadmeSection, "作者", i.author);
    i.qq = read(kReadmeSection, "QQ", i.qq);
    i.qqGroup = read(kReadmeSection, "QQ群", i.qqGroup);
    i.phone = read(kReadmeSection, "电话", i.phone);
    i.email = read(kReadmeSection, "邮箱", i.email);
    i.web = read(kReadmeSection, "网址", i.web);
    i.intro = read(kReadmeSection, "简介", i.intro);
    return i;
}

std::string ReadmeUrl(const std::string& webLocation) {
    if (webLocation.empty()) return {};
    return webLocation + "/files" + "/" + kReadmeFileName;
}

std::string BuildTitleLine(const std::string& cProduct, const std::string& cSQLVersion, const PublisherInfo& info) {
    std::string t = std::string("Quillmere") + " For " + cProduct + " 数据库版本：" + cSQLVersion;
    if (!info.author.empty()) t += "  作者：" + info.author;
    if (!info.qq.empty()) t += "  QQ：" + info.qq;
    return t;
}

std::string PublisherAddress(const PublisherInfo& info) {
    return info.web.empty() ? std::string() : "http://" + info.web;
}

std::string CopyrightLine(const PublisherInfo& info, int year) {
    std::string line = "版权所有 (C) " + std::to_string(year);
    if (!info.company.empty()) line += " " + info.company;
    return line;
}

std::string ProfileValue(const std::vector<std::string>& lines, const std::string& section,
                         const std::string& key, const std::string& def) {
    bool inSection = false;
    for (std::string line : lines) {
        // A UTF-8 byte-order mark in front of the first line is not part of the text.
        if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        const std::string t = Trim(line);
        if (t.empty() || t[0] == ';') continue;
        if (t.front() == '[') {
            const auto close = t.find(']');
            inSection = close != std::string::npos && SameNoCase(Trim(t.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection) continue;
        const auto eq = t.find('=');
        if (eq == std::string::npos || !SameNoCase(Trim(t.substr(0, eq)), key)) continue;
        std::string v = Trim(t.substr(eq + 1));
        // Like the platform's profile reader: one pair of surrounding quotes is dropped.
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        v = CutComment(v);
        v.erase(std::remove(v.begin(), v.end(), '\0'), v.end());
        return Trim(v);
    }
    return def;
}

} // namespace qm::ui
