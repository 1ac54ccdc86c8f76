#pragma once
// The publisher details the main window shows (title line, report label, logo tooltip, about box),
// read from the read-me file's section "说明" with built-in neutral defaults.
#include <functional>
#include <string>

namespace qm::ui {

struct PublisherInfo {
    std::string company; // 公司
    std::string author;  // 作者
    std::string qq;      // QQ
    std::string qqGroup; // QQ群
    std::string phone;   // 电话
    std::string email;   // 邮箱
    std::string web;     // 网址, without a scheme
    std::string intro;   // 简介
};

inline constexpr const char* kReadmeSection = "说明";
inline constexpr const char* kReadmeFileName = "Readme.txt";
// Where the read-me is refreshed from; empty means it is not fetched at all.
inline constexpr const char* kPublisherWebLocation = "";

PublisherInfo DefaultPublisherInfo();

// Reads one key of the section, giving `def` when the key is absent.
using ReadmeKeyReader =
    std::function<std::string(const std::string& section, const std::string& key, const std::string& def)>;
// Reads the eight keys, in the order 公司, 作者, QQ, QQ群, 电话, 邮箱, 网址, 简介.
PublisherInfo LoadPublisherInfo(const ReadmeKeyReader& read);

// "<web location>/files/Readme.txt"; "" when the location is empty (nothing to fetch).
std::string ReadmeUrl(const std::string& webLocation);

// Quillmere For <product> 数据库版本：<version>, then author and QQ, each behind a tag (left out when empty).
std::string BuildTitleLine(const std::string& cProduct, const std::string& cSQLVersion, const PublisherInfo& info);

// The publisher's web address: "http://" + 网址, or "" when there is no 网址.
std::string PublisherAddress(const PublisherInfo& info);

// The about box's copyright line for the given year.
std::string CopyrightLine(const PublisherInfo& info, int year);

} // namespace qm::ui
