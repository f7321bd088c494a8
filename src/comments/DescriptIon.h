#pragma once
// The descript.ion file of a folder: one line per file, the file name at the
// start of the line, then a blank and the file's description. It is read once
// per folder and searched for every photo shown from it.
#include <string>
#include <string_view>

namespace vellumo {

// The description of a file in descript.ion data. The name counts only where a
// line starts (the start of the data or right after a CR or LF) and is
// compared ignoring case (the program's one Unicode case folding, over the
// decoded text); whatever follows the name on that line is the
// description, one leading blank skipped ("name  text" gives " text"; a
// longer name that begins with the name matches too and gives the rest of it).
// A name in double quotes (as names with blanks are written) matches as well.
// The first matching line decides; at most 1023 bytes, cut to whole
// characters. "" when no line matches or the name is empty.
std::string FindDescription(std::string_view data, std::string_view fileName);

class DescriptIon {
public:
    // Reads "descript.ion" of the folder (any case of the name); the drive
    // list (an empty folder path) has none. A missing,
    // unreadable, empty or too large file (above 16,777,217 bytes) leaves the
    // folder without data. Any previous folder's data is dropped first. The
    // text is decoded like every text file (UTF-8, or the legacy code page)
    // and ends at its first NUL byte.
    void load(const std::string& folder);
    void clear();
    bool hasData() const { return loaded_; }
    // The description of a file of the folder ("" when none).
    std::string find(std::string_view fileName) const;

private:
    std::string data_;
    bool loaded_ = false;
};

}  // namespace vellumo
