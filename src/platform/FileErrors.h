#pragma once
// The descriptions the file layer gives for a failed operation, in the words the repair sequences compare:
// "拒绝的权限" for a file that is held open or not allowed, "文件未找到" for a missing one, otherwise a
// Chinese text carrying the system's own reason. Both mappings are plain functions so that each
// system's codes can be checked anywhere.
#include <string>

namespace qm {

inline constexpr const char* kTextPermissionDenied = "拒绝的权限";
inline constexpr const char* kTextFileNotFound = "文件未找到";
inline constexpr const char* kTextFileExists = "文件已存在";
inline constexpr const char* kTextDiskFull = "磁盘已满";

// An errno value (POSIX).
std::string DescribeErrno(int err);

// A Windows error code (GetLastError); systemText is the system's message for it, used for codes
// without a fixed text.
std::string DescribeWindowsError(unsigned long code, const std::string& systemText);

} // namespace qm
