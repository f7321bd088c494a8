// Profile files: read any bytes, set keys, write, read again. Every key reads
// back as set, a refused value changes nothing, and every line the program
// did not touch is still in the file, byte for byte and in order. Further
// edits chosen by the input then leave a file that looks up every key as a
// fresh reading of its bytes does.
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

const std::vector<std::string> kSections = {"General Settings", "Keyboard", "x"};

// The look-ups of a file edited in memory agree with those of its bytes read
// afresh (unless those bytes now read in another encoding).
void CheckAgainstFreshReading(const ProfileFile& edited) {
    const std::string bytes = edited.bytes();
    const std::string path =
        fuzz::WriteScratchFile("fresh.ini", reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    ProfileFile fresh(path);
    if (fresh.encoding().name != edited.encoding().name) return;
    for (const std::string& section : kSections) {
        if (fresh.hasSection(section) != edited.hasSection(section)) __builtin_trap();
        const std::vector<std::string> keys = fresh.keys(section);
        if (keys != edited.keys(section)) __builtin_trap();
        for (const std::string& key : keys)
            if (fresh.get(section, key) != edited.get(section, key)) __builtin_trap();
    }
}

// Up to four edits, one per byte of `ops`.
void EditAndCheck(ProfileFile& file, std::string_view ops) {
    for (size_t i = 0; i < ops.size() && i < 4; ++i) {
        const unsigned op = static_cast<unsigned char>(ops[i]);
        const std::string& section = kSections[(op >> 2) % 3];
        const std::vector<std::string> keys = file.keys(section);
        const std::string key =
            keys.empty() || (op & 0x20) ? "Added" + std::to_string(op >> 6) : keys[(op >> 6) % keys.size()];
        switch (op % 4) {
            case 0:
                if (file.set(section, key, std::to_string(op)) && file.get(section, key) != std::to_string(op))
                    __builtin_trap();
                break;
            case 1: file.remove(section, key); break;
            case 2: file.removeSection(section); break;
            default: file.appendRawText("[" + section + "]\r\n" + key + "=raw\r\n"); break;
        }
        CheckAgainstFreshReading(file);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) return 0;
    // The last six bytes choose the edits; the rest is the file.
    const std::uint8_t choice = data[size - 1], salt = data[size - 2];
    const std::string_view ops(reinterpret_cast<const char*>(data) + size - 6, 4);
    size -= 6;
    const std::string path = fuzz::WriteScratchFile("profile.ini", data, size);
    const std::string before = fuzz::ReadScratchFile(path);

    ProfileFile file(path);
    const std::string section = kSections[choice % 3];
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
    EditAndCheck(again, ops);
    return 0;
}
