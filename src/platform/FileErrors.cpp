#include "platform/FileErrors.h"

#include <cerrno>
#include <system_error>

namespace qm {

std::string DescribeErrno(int err) {
    switch (err) {
    case EACCES:
    case EPERM:
    case EBUSY:
    case ETXTBSY: // in use: the nearest thing to a file another program holds open
        return kTextPermissionDenied;
    case ENOENT:
    case ENOTDIR: return kTextFileNotFound;
    case EEXIST: return kTextFileExists;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return kTextDiskFull;
    default:
        // std::generic_category is thread-safe, unlike strerror.
        return "文件操作失败：" + std::generic_category().message(err);
    }
}

std::string DescribeWindowsError(unsigned long code, const std::string& systemText) {
    // Numeric values so that the mapping compiles and can be checked off Windows too.
    switch (code) {
    case 5:  // ERROR_ACCESS_DENIED
    case 32: // ERROR_SHARING_VIOLATION
    case 33: // ERROR_LOCK_VIOLATION
        return kTextPermissionDenied;
    case 2:   // ERROR_FILE_NOT_FOUND
    case 3:   // ERROR_PATH_NOT_FOUND
    case 123: // ERROR_INVALID_NAME
        return kTextFileNotFound;
    case 80:  // ERROR_FILE_EXISTS
    case 183: // ERROR_ALREADY_EXISTS
        return kTextFileExists;
    case 39:  // ERROR_HANDLE_DISK_FULL
    case 112: // ERROR_DISK_FULL
        return kTextDiskFull;
    default: {
        std::string reason = systemText;
        while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
            reason.pop_back();
        if (reason.empty()) reason = "错误代码 " + std::to_string(code);
        return "文件操作失败：" + reason;
    }
    }
}

} // namespace qm
