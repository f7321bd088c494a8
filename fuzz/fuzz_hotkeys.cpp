// Hotkeys: any notation parses to a key within the table's range; any file is
// loaded, completed and read again without being changed a second time.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/Hotkeys.h"
#include "fuzz_support.h"

using namespace vellumo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    HotkeyEntry entry = ParseHotkeyNotation(text.substr(0, 64), 100 + static_cast<int>(size % 74));
    if (entry.key > 0xFF && entry.key != 0xFFFF) __builtin_trap();  // a virtual key, or "none"

    const std::string path = fuzz::WriteScratchFile("keys/Fuzz.keys.txt", data, size);
    HotkeySet first = LoadHotkeys(fuzz::ScratchFolder(), "Fuzz");
    const std::string written = fuzz::ReadScratchFile(path);
    HotkeySet second = LoadHotkeys(fuzz::ScratchFolder(), "Fuzz");
    // A completed file is complete: the second load neither changes it nor reads it otherwise.
    if (first.fileWritten && fuzz::ReadScratchFile(path) != written) __builtin_trap();
    if (first.fileWritten && !(first.mouse == second.mouse)) __builtin_trap();
    for (int c = kFirstCommand; c <= kLastCommand; ++c) {
        if (first.fileWritten && first.keys.of(c).key != second.keys.of(c).key) __builtin_trap();
        (void)HotkeyText(second.keys, c);
    }
    return 0;
}
