#include "ui/PublisherInfo.h"

namespace qm::ui {

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

} // namespace qm::ui
