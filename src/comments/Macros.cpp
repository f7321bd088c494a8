#include "comments/Macros.h"

#include <sys/stat.h>

#include "comments/RotationMacro.h"
#include "platform/Paths.h"

namespace vellumo {

namespace {

constexpr double kQuarterTurn = 1.5707963267948966;

enum MacroIndex {
    FileName, ShortFileName, FolderName, PathOf, ImageWidth, ImageHeight, ImageSizeK, ImageSizeM,
    RotateLeft, RotateRight, CurrentFolder, SlideshowCount, SlideshowCurrent, MusicFileName, MusicShortFileName,
};

std::string NameAfterLastSlash(std::string_view path) {
    size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

const std::array<std::string_view, 15>& MacroNames() {
    static const std::array<std::string_view, 15> names = {
        "%FILE_NAME%",   "%SHORT_FILE_NAME%", "%FOLDER_NAME%",  "%PATH%",          "%IMAGE_WIDTH%",
        "%IMAGE_HEIGHT%", "%IMAGE_SIZE_K%",   "%IMAGE_SIZE_M%", kRotateLeftMacro,  kRotateRightMacro,
        "%CURRENT_FOLDER%", "%SLIDESHOW_COUNT%", "%SLIDESHOW_CURRENT%", "%MUSIC_FILE_NAME%",
        "%MUSIC_SHORT_FILE_NAME%",
    };
    return names;
}

MacroExpansion ExpandMacros(std::string_view text, const MacroContext& context) {
    MacroExpansion result;
    if (text.find('%') == std::string_view::npos) {
        result.text = text;
        return result;
    }
    const auto& names = MacroNames();
    const bool hasPhoto = !context.photoPath.empty();
    const MacroQueries none;
    const MacroQueries& queries = context.queries ? *context.queries : none;

    // Values asked for once, when first needed.
    bool sizeRead = false;
    std::optional<long long> fileSize;
    bool slideshowRead = false;
    std::optional<SlideshowPlace> place;
    bool musicRead = false;
    std::string music;

    std::string& out = result.text;
    out.reserve(text.size());
    int lefts = 0, rights = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t percent = text.find('%', pos);
        if (percent == std::string_view::npos) {
            out.append(text.substr(pos));
            break;
        }
        out.append(text.substr(pos, percent - pos));
        std::string_view rest = text.substr(percent);
        int index = -1;
        for (size_t k = 0; k < names.size(); ++k)
            if (rest.starts_with(names[k])) {
                index = static_cast<int>(k);
                break;
            }
        if (index < 0) {
            out.push_back('%');
            pos = percent + 1;
            continue;
        }
        pos = percent + names[index].size();
        result.flags |= 1u << index;
        if (!hasPhoto && index != CurrentFolder) continue;  // removed
        switch (index) {
            case FileName: out += FileNameOf(context.photoPath); break;
            case ShortFileName: {
                std::string name = FileNameOf(context.photoPath);
                out += name.substr(0, name.find('.'));
                break;
            }
            case FolderName: out += FileNameOf(ParentPath(context.photoPath)); break;
            case PathOf: out += ParentPath(context.photoPath); break;
            case ImageWidth: out += std::to_string(context.imageWidth); break;
            case ImageHeight: out += std::to_string(context.imageHeight); break;
            case ImageSizeK:
            case ImageSizeM: {
                if (!sizeRead) {
                    sizeRead = true;
                    struct stat st {};
                    if (stat(context.photoPath.c_str(), &st) == 0) fileSize = static_cast<long long>(st.st_size);
                }
                if (!fileSize) out += names[index];  // the file cannot be read: the macro stays
                else out += std::to_string(*fileSize / (index == ImageSizeK ? 1024 : 1048576));
                break;
            }
            case RotateLeft: ++lefts; break;
            case RotateRight: ++rights; break;
            case CurrentFolder: out += queries.currentFolder(); break;
            case SlideshowCount:
            case SlideshowCurrent:
                if (!slideshowRead) {
                    slideshowRead = true;
                    place = queries.slideshowPlace();
                }
                if (place) out += std::to_string(index == SlideshowCount ? place->count : place->current);
                break;
            case MusicFileName:
            case MusicShortFileName: {
                if (!musicRead) {
                    musicRead = true;
                    if (queries.musicPlaying()) music = NameAfterLastSlash(queries.musicFile());
                }
                if (index == MusicFileName) out += music;
                else out += music.substr(0, music.rfind('.'));
                break;
            }
            default: break;
        }
    }
    if (lefts + rights > 0) {
        result.rotate = true;
        result.rotationAngle = (lefts - rights) * kQuarterTurn;
    }
    return result;
}

std::string MacroAndTagList(std::string_view languageNameUpper) {
    std::string out;
    for (std::string_view name : MacroNames()) {
        out += name;
        out += "\r\n";
    }
    out += "\r\n";
    const std::string_view tags[] = {"REM", languageNameUpper, "SLIDESHOW", "SOUND", "MUSIC"};
    for (size_t i = 0; i < 5; ++i) {
        out += "<";
        out += tags[i];
        out += ">  </";
        out += tags[i];
        out += ">";
        if (i + 1 < 5) out += "\r\n";
    }
    return out;
}

}  // namespace vellumo
