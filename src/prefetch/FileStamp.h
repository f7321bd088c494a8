#pragma once
// What identifies the content of a file without reading it: device, inode,
// size, modification and status-change times. A photo decoded ahead is shown
// only while its file still has the stamp it had when the decode began.
#include <cstdint>
#include <optional>
#include <string>

namespace vellumo {

struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of a regular file (links followed); nothing when there is none.
std::optional<FileStamp> StampOfFile(const std::string& path);

}  // namespace vellumo
