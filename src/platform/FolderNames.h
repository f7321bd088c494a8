#pragma once
// What a few folders held when they were last read, so that a file name
// derived from another (a photo's .txt, .wav and .ini, a folder's settings,
// comment and cache files, descript.ion) that does not exist under its exact
// name is looked up ignoring case without reading a folder of thousands of
// photos again for every name. An entry is used only while the folder's
// modification time, device and inode are those it was read with; it holds
// only the names with the extensions such files have.
//
// A folder that answered slowly when it was read (a network share) is
// trusted without any look at it for a few seconds after: whether such a
// file exists, and is a regular file, is then known without a request to
// the share. The program's own writes in a folder forget what it held.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vellumo {

// A folder as stat shows it: any change of its entries changes the time.
struct FolderStamp {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long seconds = 0;
    long long nanoseconds = 0;
    friend bool operator==(const FolderStamp&, const FolderStamp&) = default;
};

// The stamp of an open folder descriptor, or nothing.
std::optional<FolderStamp> StampOfFolder(int folderDescriptor);

// What an entry is, as far as its listing told.
enum class EntryKind : std::uint8_t { Regular, Folder, Special, Unknown };

// What one reading of a folder found, taken after its stamp: add() every
// entry, then keep() it. Not kept when the folder changed so recently that a
// change in the same clock tick could go unseen.
class FolderNamesRecord {
public:
    FolderNamesRecord(std::string folder, const FolderStamp& stamp);
    ~FolderNamesRecord();
    FolderNamesRecord(const FolderNamesRecord&) = delete;
    FolderNamesRecord& operator=(const FolderNamesRecord&) = delete;
    void add(std::string_view name, EntryKind kind = EntryKind::Unknown);
    // Any other regular file (a photo) of a folder that gives its entries
    // slowly: known to be there, without a request, while the record is
    // trusted. Not worth its memory for a quick folder.
    void addFile(std::string_view name);
    // slowFolder: the folder answered slowly; trusted for a while.
    void keep(bool slowFolder = false);

private:
    struct Names;
    Names* names_;
};

// For a name whose extension a derived file has: nothing when the folder is
// not remembered or changed since; else the smallest entry equal to the name
// ignoring ASCII case, or "" when there is none.
std::optional<std::string> RememberedNameIgnoringCase(const std::string& folder, const std::string& name);

// A slow folder read a moment ago, for a name whose extension a derived
// file has: the entry of that very name, or, without one, the smallest
// entry equal to it ignoring ASCII case ("" when there is none either).
// Nothing when the folder is not known so.
std::optional<std::string> RecentNameIgnoringCase(const std::string& folder, const std::string& name);
// The same: whether the entry of that very name is a regular file (nothing
// when not known so). Any other name (a photo) is known only as a file the
// record was given (addFile): true then, nothing otherwise.
std::optional<bool> RecentlyARegularFile(const std::string& path);

// The same: the listing held no entry of that very name.
bool RecentlyAbsent(const std::string& path);
// Both in one look: true for a regular file, false for an absent entry,
// nothing otherwise.
std::optional<bool> RecentlyExists(const std::string& path);

// Forgets what a folder held (the program changed it), or every folder.
void ForgetFolderNames(const std::string& folder);
void ForgetFolderNames();

}  // namespace vellumo
