#pragma once
// The rows of the file list: what the results window shows on its right for
// the selected folder, each row with the object that reads or saves its file.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CDelFile;
class CFileEntry;
class ScanContext;
struct DeletedFileItem;
struct TreeNode;

// Icons of the list, by index.
enum ListIcon : int {
    kIconFile = 0,
    kIconFatFile = 1,
    kIconArchive = 2,
    kIconJpeg = 3,
    kIconBitmap = 4,
    kIconAudio = 5,
    kIconVideo = 6,
};

struct ListRow {
    std::u16string name;
    std::u16string sizeText;
    std::u16string timeText;
    int icon = kIconFile;
    bool checked = false;
    CDelFile* file = nullptr;               // reads or saves the row's file
    DeletedFileItem* item = nullptr;        // the result-store item, null for FAT32 files
    std::shared_ptr<CDelFile> ownedFile;    // set when the row made its own reader
};

// "%I64ubyte" up to 1024, "%I64uKB" up to 1048576, "%I64uM" above.
std::u16string SizeText(uint64_t bytes);
std::string SizeTextUtf8(uint64_t bytes);  // the same in UTF-8
// "%04d-%02d-%02d  %02d:%02d" of a local FILETIME; empty when its high half is 0.
std::u16string FileTimeText(uint64_t localFileTime);
// The same for a FAT write date and time, printed as stored.
std::u16string FatTimeText(uint16_t date, uint16_t time);
// The part of a name after its last point (the whole name without one),
// ASCII letters lowered: what the icons and the preview go by.
std::u16string NameEnding(const std::u16string& name);
// By the name's ending, in any case: archives (rar, zip, 7z, gz, tar),
// pictures (jpg, jpeg, png, gif, tif, tiff), bmp, anything else.
int IconForName(const std::u16string& name);
// ASCII letters lowered, everything else as it is.
std::u16string LowerAscii(std::u16string text);

// A row for a result-store item: carved files read through their carved
// object, NTFS files through a reader around their record number.
ListRow RowForItem(ScanContext& context, DeletedFileItem& item);
ListRow RowForFatFile(CFileEntry& file);

// The rows of a node: its FAT32 files, or the result-store items in it.
std::vector<ListRow> RowsForNode(ScanContext& context, const TreeNode& node);
