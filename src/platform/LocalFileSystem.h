#pragma once
// The file layer over this computer's own disks. Descriptions of failures follow FileErrors.h.
#include "platform/FileSystem.h"

#include <string>
#include <vector>

namespace qm {

class LocalFileSystem final : public FileSystem {
public:
    // Hidden means the hidden or system attribute on Windows and a name starting with "." elsewhere.
    bool Exists(const std::string& path) override;
    // The target is replaced only once the whole copy is written, so a failed copy leaves it as it was.
    bool Copy(const std::string& from, const std::string& to, std::string& error) override;
    bool Move(const std::string& from, const std::string& to, std::string& error) override;
    bool Remove(const std::string& path, std::string& error) override;
    // Lines end at LF; a CR before it is dropped. A byte-order mark, when present, decides the encoding.
    bool ReadLines(const std::string& path, std::vector<std::string>& lines) override;
    bool ReadAll(const std::string& path, std::string& bytes, std::string& error) override;
    // A new file beside the target, flushed to the disk, then renamed over it.
    bool WriteAtomic(const std::string& path, const std::string& bytes, std::string& error) override;
    bool MakeFolder(const std::string& path, std::string& error) override;
    // Written under a temporary name in the target's folder and renamed once whole and on the disk.
    bool CopyNew(const std::string& from, const std::string& to, const CopyProgress& progress,
                 std::string& error) override;
    bool FreeBytes(const std::string& folder, std::uint64_t& bytes, std::string& error) override;
    bool SizeOf(const std::string& path, std::uint64_t& bytes, std::string& error) override;
};

} // namespace qm
