#pragma once
// The file operations the tool performs on the server's disks and in its own folder. Paths are UTF-8.
// Failures come back as descriptions in the platform's words: "拒绝的权限" for a file that is held open
// or not allowed, "文件未找到" for a missing one, otherwise a Chinese text with the system's reason.
#include <string>
#include <vector>

namespace qm {

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
};

} // namespace qm
