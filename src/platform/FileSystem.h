#pragma once
// The file operations the tool performs on the server's disks and in its own folder. Paths are UTF-8.
// Failures come back as descriptions in the platform's words: "拒绝的权限" for a file that is held open
// or not allowed, "文件未找到" for a missing one, otherwise a Chinese text with the system's reason.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm {

inline constexpr const char* kTextCopyCancelled = "复制已取消";
inline constexpr const char* kTextNotSupported = "此处不能复制文件";

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // True for an existing file or folder that is neither hidden nor system. The empty path is False.
    virtual bool Exists(const std::string& path) = 0;
    // Copies a file, replacing the target.
    virtual bool Copy(const std::string& from, const std::string& to, std::string& error) = 0;
    // Renames a file within its folder (or moves it); fails if the target exists.
    virtual bool Move(const std::string& from, const std::string& to, std::string& error) = 0;
    // Deletes one file.
    virtual bool Remove(const std::string& path, std::string& error) = 0;
    // Reads a text file line by line, decoding the system's ANSI code page to UTF-8.
    virtual bool ReadLines(const std::string& path, std::vector<std::string>& lines) = 0;
    // Reads a whole file as bytes.
    virtual bool ReadAll(const std::string& path, std::string& bytes, std::string& error) = 0;
    // Replaces a file's content all at once: a reader sees the old or the new file, never a part.
    virtual bool WriteAtomic(const std::string& path, const std::string& bytes, std::string& error) = 0;
    // Creates one folder whose parent exists; an existing folder is success.
    virtual bool MakeFolder(const std::string& path, std::string& error) = 0;

    // Told the bytes copied so far and the whole; false cancels the copy.
    using CopyProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;
    // Copies a large file to a new name for keeping (an existing target fails, kTextFileExists), telling
    // `progress` as it goes. A copy that does not finish, cancelled or failed, leaves no target;
    // cancelled, the error is kTextCopyCancelled. Layers that keep no copies refuse.
    virtual bool CopyNew(const std::string& from, const std::string& to, const CopyProgress& progress,
                         std::string& error);
    // The bytes the caller may still write on the disk that holds `folder`.
    virtual bool FreeBytes(const std::string& folder, std::uint64_t& bytes, std::string& error);
    // The size of a file.
    virtual bool SizeOf(const std::string& path, std::uint64_t& bytes, std::string& error);
};

} // namespace qm
