#pragma once
// Helpers of the configuration fuzz targets: a scratch program folder in
// memory-backed /dev/shm (or /tmp), and the input written as one of its files.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace vellumo::fuzz {

// Made at the first use and removed when the run ends (libFuzzer ends with
// exit()): /dev/shm is memory, and every run would leave a folder there.
inline const std::string& ScratchFolder() {
    static const std::string folder = [] {
        std::string tmpl = access("/dev/shm", W_OK) == 0 ? "/dev/shm/vellumo-fuzz-XXXXXX" : "/tmp/vellumo-fuzz-XXXXXX";
        const char* made = mkdtemp(tmpl.data());
        if (!made) std::abort();
        return std::string(made);
    }();
    static const bool removeAtExit = std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }) == 0;
    (void)removeAtExit;
    return folder;
}

inline std::string WriteScratchFile(const std::string& relative, const std::uint8_t* data, std::size_t size) {
    std::string path = ScratchFolder() + "/" + relative;
    std::string parent = path.substr(0, path.rfind('/'));
    mkdir(parent.c_str(), 0755);
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                  static_cast<std::streamsize>(size));
    return path;
}

inline std::string ReadScratchFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace vellumo::fuzz
