#pragma once
// One row of the Navigator list and the photo formats the archive knows.
#include <cstdint>
#include <string>
#include <string_view>

namespace vellumo {

// Commands the archive model posts to the Navigator and receives from it.
inline constexpr int CmdRelist = 31787;
inline constexpr int CmdTotalFirst = 31792;
inline constexpr int CmdTotalWalkDone = 31793;
inline constexpr int CmdGoUp = 31846;
// Ancestors menu items: CmdAncestorFirst + k opens ancestor k (k = 0..256).
inline constexpr int CmdAncestorFirst = 3514;
inline constexpr int CmdAncestorLast = 3770;

// ItemFlags: the low nibble is the kind, 0x10 marks an empty folder, a photo
// adds exactly one format bit of PhotoFormatTable.
namespace ItemFlags {
inline constexpr std::uint32_t Drive = 0x1;
inline constexpr std::uint32_t UpEntry = 0x2;
inline constexpr std::uint32_t Folder = 0x4;
inline constexpr std::uint32_t Photo = 0x8;
inline constexpr std::uint32_t EmptyFolder = 0x10;
inline constexpr std::uint32_t KindMask = 0xF;
inline constexpr std::uint32_t FormatMask = 0x3FFF00;
}  // namespace ItemFlags

// Image indices of the Navigator's small icon list.
namespace ItemImage {
inline constexpr int Computer = 0;
inline constexpr int RemovableDrive = 1;
inline constexpr int FixedDrive = 2;
inline constexpr int NetworkDrive = 3;
inline constexpr int CdRomDrive = 4;
inline constexpr int RamDisk = 5;
inline constexpr int OpenFolder = 6;  // the up entry
inline constexpr int Folder = 7;
inline constexpr int EmptyFolder = 8;
inline constexpr int Photo = 9;
inline constexpr int PhotoWithText = 10;
inline constexpr int PhotoWithSound = 11;
inline constexpr int PhotoWithBoth = 12;
}  // namespace ItemImage

struct PhotoFormat {
    const char* extension;
    std::uint32_t bit;
};

// The photo extensions in their fixed order: the nine of old, then the
// photos of today, each with a format bit of its own after the old ones.
inline constexpr PhotoFormat PhotoFormatTable[] = {
    {"bmp", 0x100},    {"tif", 0x200},    {"tiff", 0x400},    {"jpe", 0x800},     {"jpeg", 0x1000},
    {"jpg", 0x2000},   {"pcx", 0x4000},   {"eps", 0x8000},    {"tga", 0x10000},   {"png", 0x20000},
    {"webp", 0x40000}, {"heic", 0x80000}, {"heif", 0x100000}, {"avif", 0x200000},
};
inline constexpr int kPhotoFormatCount = static_cast<int>(sizeof PhotoFormatTable / sizeof PhotoFormatTable[0]);

// The format bit of a file name: the text after its last "." lower-cased
// (ASCII) must equal a table extension exactly; 0 when the name is no photo.
// Each name is classified by its own extension only, so "a.jpeg" is a jpeg
// photo and never also a jpe one.
std::uint32_t PhotoFormatBit(std::string_view fileName);
inline bool IsPhotoName(std::string_view fileName) { return PhotoFormatBit(fileName) != 0; }
// The extension of the first table entry whose bit is set in flags; "" for none.
std::string_view PhotoExtensionOf(std::uint32_t flags);
// Position of the format in the table, kPhotoFormatCount when flags carry no format bit.
int PhotoFormatOrder(std::uint32_t flags);

struct ArchiveItem {
    // Folder name, drive text "[path]", up-entry text, or photo name without
    // its extension.
    std::string text;
    int image = 0;
    std::uint32_t flags = 0;
    // Short (8.3) names do not exist here: always empty.
    std::string shortName;
    // What the row names on disk: the photo's full file name as the folder
    // lists it (extension in its own case), the folder's name, the drive's
    // path; empty for the up entry.
    std::string fileName;

    std::uint32_t kind() const { return flags & ItemFlags::KindMask; }
    bool isDrive() const { return kind() == ItemFlags::Drive; }
    bool isUpEntry() const { return kind() == ItemFlags::UpEntry; }
    bool isFolder() const { return kind() == ItemFlags::Folder; }
    bool isPhoto() const { return kind() == ItemFlags::Photo; }
};

}  // namespace vellumo
