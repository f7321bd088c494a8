// Language files of any bytes, in any character set: loaded, completed once,
// and the texts are valid UTF-8 within their limit.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/Language.h"
#include "config/Settings.h"
#include "fuzz_support.h"
#include "platform/TextCodec.h"

using namespace vellumo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::WriteScratchFile("lang/Fuzz.lang.txt", data, size);
    Settings settings;
    Language language;
    language.LoadLanguage("Fuzz", fuzz::ScratchFolder(), settings);
    const std::string written = fuzz::ReadScratchFile(path);
    Language again;
    again.LoadLanguage("Fuzz", fuzz::ScratchFolder(), settings);
    if (fuzz::ReadScratchFile(path) != written) __builtin_trap();  // complete after one load
    for (int id = 300; id <= 432; ++id) {
        const std::string& text = again.LanguageText(id);
        if (!IsValidUtf8(text) || text.size() > 1024) __builtin_trap();
    }
    SetLegacyCodePage("CP1252");
    return 0;
}
