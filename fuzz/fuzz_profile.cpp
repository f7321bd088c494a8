// Profile files: read any bytes, set keys, write, read again. Every key reads
// back as set, a refused value changes nothing, and every line the program
// did not touch is still in the file, byte for byte and in order.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/ProfileFile.h"
#include "fuzz_support.h"

using namespace vellumo;

namespace {

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // The last two bytes choose the edits; the rest is the file.
    const std::uint8_t choice = data[size - 1], salt = data[size - 2];
    size -= 2;
    const std::string path = fuzz::WriteScratchFile("profile.ini", data, size);
    const std::string before = fuzz::ReadScratchFile(path);

    ProfileFile file(path);
    const std::vector<std::string> sections = {"General Settings", "Keyboard", "x"};
    const std::string section = sections[choice % 3];
    std::vector<std::string> keys = file.keys(section);
    std::string key = keys.empty() || (choice & 8) ? "NewKey" + std::to_string(salt % 7) : keys[salt % keys.size()];
    const std::string value = "v" + std::to_string(choice) + " ;c";
    const bool set = file.set(section, key, value);
    // Values a disc could hold that would break the line are refused.
    if (file.set(section, key, "a\nb") || file.set(section, "k\r", "1") || file.set("s\n", "k", "1")) __builtin_trap();
    if (file.get(section, key) != (set ? std::optional<std::string>(value) : file.get(section, key))) __builtin_trap();
    if (!file.save()) return 0;

    ProfileFile again(path);
    // (A legacy file whose only non-UTF-8 bytes were replaced reads as UTF-8
    // afterwards: its non-ASCII names then read otherwise.)
    if (set && again.encoding() == file.encoding() && again.get(section, key) != value) __builtin_trap();
    // Old lines are a subsequence of the new ones, but for the key line replaced.
    const std::vector<std::string> oldLines = Lines(before), newLines = Lines(fuzz::ReadScratchFile(path));
    size_t n = 0, skipped = 0;
    for (const std::string& line : oldLines) {
        while (n < newLines.size() && newLines[n] != line) ++n;
        if (n == newLines.size()) {
            if (++skipped > 1) __builtin_trap();
            n = 0;
            continue;
        }
        ++n;
    }
    return 0;
}
