#include "results/ResultList.h"

#include "carving/BaseFile.h"
#include "catalog/FileEntry.h"
#include "catalog/FolderEntry.h"
#include "catalog/MftDelFile.h"
#include "engine/ProgressText.h"
#include "platform/TextConvert.h"
#include "engine/ScanContext.h"
#include "platform/TimeConvert.h"
#include "results/ResultTree.h"

#include <charconv>
#include <cstdio>

std::string SizeTextUtf8(uint64_t bytes) {
    // Short enough for the string's own storage: listings make one per file.
    char text[32];
    const char* unit = bytes <= 1024 ? "byte" : bytes <= 1048576 ? "KB" : "M";
    const uint64_t amount = bytes <= 1024 ? bytes : bytes <= 1048576 ? bytes >> 10 : bytes >> 20;
    char* end = std::to_chars(text, text + 20, amount).ptr;
    while (*unit) *end++ = *unit++;
    return std::string(text, end);
}

std::u16string SizeText(uint64_t bytes) { return platform::FromUtf8(SizeTextUtf8(bytes)); }

namespace {

std::u16string CalendarText(int year, int month, int day, int hour, int minute) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d  %02d:%02d", year, month, day, hour, minute);
    return platform::FromUtf8(text);
}

}  // namespace

std::u16string FileTimeText(uint64_t localFileTime) {
    if ((localFileTime >> 32) == 0) return {};
    platform::CalendarTime time;
    if (!platform::FileTimeToCalendar(localFileTime, time)) return CalendarText(0, 0, 0, 0, 0);
    return CalendarText(time.year, time.month, time.day, time.hour, time.minute);
}

std::u16string FatTimeText(uint16_t date, uint16_t time) {
    return CalendarText((date >> 9) + 1980, (date >> 5) & 15, date & 31, time >> 11, (time >> 5) & 63);
}

std::u16string LowerAscii(std::u16string text) {
    for (char16_t& c : text)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    return text;
}

std::u16string NameEnding(const std::u16string& name) {
    size_t point = name.rfind(u'.');
    return LowerAscii(point == std::u16string::npos ? name : name.substr(point + 1));
}

int IconForName(const std::u16string& name) {
    std::u16string ending = NameEnding(name);
    // Every archive and picture type the scans carve or list, not only the
    // rar/zip/jpg of old; the FAT 8.3 names arrive in capitals.
    for (const char16_t* archive : {u"rar", u"zip", u"7z", u"gz", u"tar", u"bz2", u"xz"})
        if (ending == archive) return kIconArchive;
    for (const char16_t* picture : {u"jpg", u"jpeg", u"png", u"gif", u"tif", u"tiff", u"webp", u"psd", u"ico", u"cur"})
        if (ending == picture) return kIconJpeg;
    if (ending == u"bmp") return kIconBitmap;
    for (const char16_t* audio : {u"mp3", u"wav", u"flac", u"ogg", u"opus", u"oga", u"wma", u"m4a"})
        if (ending == audio) return kIconAudio;
    for (const char16_t* video : {u"mp4", u"mov", u"3gp", u"avi", u"mkv", u"webm", u"ts", u"mts", u"m2ts", u"wmv", u"ogv"})
        if (ending == video) return kIconVideo;
    return kIconFile;
}

ListRow RowForItem(ScanContext& context, DeletedFileItem& item) {
    ListRow row;
    row.name = item.name;
    row.icon = IconForName(item.name);
    row.checked = item.checked != 0;
    row.item = &item;
    if (item.reader) {
        row.file = item.reader;
    } else if (CBaseFile* carved = context.CarvedFileOf(item)) {
        row.file = carved;
    } else if (item.carvedType == 0 && context.recordReader) {
        row.ownedFile = std::make_shared<CMftDelFile>(*context.recordReader, item.recordNumber);
        row.file = row.ownedFile.get();
    }
    row.sizeText = SizeText(item.size);
    row.timeText = FileTimeText(item.modified);
    return row;
}

ListRow RowForFatFile(CFileEntry& file) {
    ListRow row;
    row.name = file.GetDisplayName();
    row.icon = kIconFatFile;
    row.file = &file;
    row.sizeText = SizeText(file.GetFileSize());
    row.timeText = FatTimeText(file.GetWriteDate(), file.GetWriteTime());
    return row;
}

std::vector<ListRow> RowsForNode(ScanContext& context, const TreeNode& node) {
    std::vector<ListRow> rows;
    if (node.fatFolder) {
        for (const auto& file : node.fatFolder->m_files) rows.push_back(RowForFatFile(*file));
        return rows;
    }
    if (node.folderKey == kNoFolderKey) return rows;
    for (DeletedFileItem& item : context.deletedFiles)
        if (FolderKeyOf(item) == node.folderKey) rows.push_back(RowForItem(context, item));
    return rows;
}
