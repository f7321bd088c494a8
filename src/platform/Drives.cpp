#include "platform/Drives.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "platform/Files.h"
#include "platform/Paths.h"

namespace vellumo {

namespace {

// Mount table fields escape blanks, tabs, newlines and backslashes as octal.
std::string UnescapeMountField(std::string_view field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        auto isOct = [](char c) { return c >= '0' && c <= '7'; };
        if (field[i] == '\\' && i + 3 < field.size() && isOct(field[i + 1]) && isOct(field[i + 2]) &&
            isOct(field[i + 3])) {
            out += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
            continue;
        }
        out += field[i];
    }
    return out;
}

bool IsPseudoFileSystem(std::string_view fs) {
    static const std::set<std::string_view> kPseudo = {
        "proc", "sysfs", "cgroup", "cgroup2", "devpts", "devtmpfs", "mqueue", "debugfs", "tracefs",
        "securityfs", "pstore", "bpf", "configfs", "fusectl", "hugetlbfs", "autofs", "binfmt_misc",
        "efivarfs", "rpc_pipefs", "nsfs", "overlay", "squashfs", "selinuxfs", "fuse.gvfsd-fuse",
        "fuse.portal", "fuse.lxcfs", "ramfs_sys", "rootfs", "none"};
    return kPseudo.count(fs) != 0;
}

bool IsSystemMountPoint(std::string_view path) {
    for (std::string_view top : {"/proc", "/sys", "/dev", "/run", "/snap", "/boot/efi", "/var/lib/docker"}) {
        if (PathContains(top, path)) return true;
    }
    return false;
}

DriveType TypeOf(std::string_view fs, const std::string& device, RemovableTest removable) {
    if (fs == "iso9660" || fs == "udf") return DriveType::CdRom;
    if (fs == "nfs" || fs == "nfs4" || fs == "cifs" || fs == "smb3" || fs == "smbfs" || fs == "9p" ||
        fs == "fuse.sshfs" || fs == "sshfs" || fs == "afs" || fs == "ceph" || fs == "fuse.rclone" ||
        fs == "davfs" || fs == "fuse.davfs2")
        return DriveType::Remote;
    if (fs == "tmpfs" || fs == "ramfs") return DriveType::RamDisk;
    if (removable && removable(device)) return DriveType::Removable;
    return DriveType::Fixed;
}

bool SysRemovable(const std::string& device) {
    // /dev/sdb1 -> sdb; /dev/mmcblk0p1 -> mmcblk0; only the whole disk has the flag.
    if (device.rfind("/dev/", 0) != 0) return false;
    std::string name = device.substr(5);
    for (size_t len = name.size(); len > 0; --len) {
        std::string candidate = name.substr(0, len);
        auto text = ReadWholeFile("/sys/block/" + candidate + "/removable", 16);
        if (text) return !text->empty() && (*text)[0] == '1';
    }
    return false;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home == '/') return NormalizePath(home);
    if (passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') return NormalizePath(pw->pw_dir);
    return {};
}

}  // namespace

std::vector<Drive> ParseDrives(std::string_view mounts, const std::string& home, RemovableTest removable) {
    std::vector<Drive> drives;
    std::set<std::string> seen;
    drives.push_back({"/", DriveType::Fixed, ""});
    seen.insert("/");
    if (!home.empty() && seen.insert(home).second) drives.push_back({home, DriveType::Fixed, ""});

    size_t pos = 0;
    while (pos < mounts.size()) {
        size_t end = mounts.find('\n', pos);
        if (end == std::string_view::npos) end = mounts.size();
        std::string_view line = mounts.substr(pos, end - pos);
        pos = end + 1;
        // device mountpoint fstype options ...
        std::string_view fields[3];
        size_t p = 0;
        int n = 0;
        while (n < 3 && p < line.size()) {
            while (p < line.size() && line[p] == ' ') ++p;
            size_t q = line.find(' ', p);
            if (q == std::string_view::npos) q = line.size();
            if (q > p) fields[n++] = line.substr(p, q - p);
            p = q;
        }
        if (n < 3) continue;
        std::string device = UnescapeMountField(fields[0]);
        std::string mountPoint = UnescapeMountField(fields[1]);
        std::string fs(fields[2]);
        if (mountPoint.empty() || mountPoint[0] != '/') continue;
        mountPoint = NormalizePath(mountPoint);
        if (IsPseudoFileSystem(fs) || IsSystemMountPoint(mountPoint)) continue;
        if (!seen.insert(mountPoint).second) continue;
        drives.push_back({mountPoint, TypeOf(fs, device, removable), fs});
    }
    return drives;
}

std::vector<Drive> ListDrives() {
    auto mounts = ReadWholeFile("/proc/self/mounts", 1 << 22);
    return ParseDrives(mounts ? *mounts : std::string(), HomeFolder(), &SysRemovable);
}

std::string DriveOfPath(const std::vector<Drive>& drives, std::string_view path) {
    std::string best;
    size_t bestDepth = 0;
    for (const auto& d : drives) {
        if (!PathContains(d.path, path)) continue;
        size_t depth = d.path == "/" ? 0 : static_cast<size_t>(std::count(d.path.begin(), d.path.end(), '/'));
        if (best.empty() || depth > bestDepth) {
            best = d.path;
            bestDepth = depth;
        }
    }
    return best;
}

bool OnOpticalDisc(const std::vector<Drive>& drives, std::string_view path) {
    const std::string drive = DriveOfPath(drives, path);
    for (const auto& d : drives)
        if (d.path == drive) return d.type == DriveType::CdRom;
    return false;
}

std::string DriveRowText(const Drive& drive) { return "[" + drive.path + "]"; }

}  // namespace vellumo
