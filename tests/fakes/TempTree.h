#pragma once
// A temporary folder tree for tests, removed afterwards.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace vellumo::testing {

class TempTree {
public:
    TempTree() {
        std::string templ = (std::filesystem::temp_directory_path() / "vellumo-test-XXXXXX").string();
        char* made = mkdtemp(templ.data());
        root_ = made ? made : "";
    }
    ~TempTree() {
        std::error_code ec;
        chmodAll(root_);  // so that folders made unreadable can be removed
        std::filesystem::remove_all(root_, ec);
    }
    const std::string& root() const { return root_; }
    std::string path(const std::string& rel) const { return rel.empty() ? root_ : root_ + "/" + rel; }
    std::string folder(const std::string& rel) const {
        std::filesystem::create_directories(path(rel));
        return path(rel);
    }
    std::string file(const std::string& rel, const std::string& content = "x") const {
        auto p = std::filesystem::path(path(rel));
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    void link(const std::string& target, const std::string& rel) const {
        std::filesystem::create_directories(std::filesystem::path(path(rel)).parent_path());
        if (symlink(target.c_str(), path(rel).c_str()) != 0) std::abort();
    }

private:
    static void chmodAll(const std::string& dir) {
        chmod(dir.c_str(), 0755);
        std::error_code ec;
        for (auto& e : std::filesystem::directory_iterator(dir, ec)) {
            if (e.is_directory(ec) && !e.is_symlink(ec)) chmodAll(e.path().string());
        }
    }
    std::string root_;
};

}  // namespace vellumo::testing
