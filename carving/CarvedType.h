#pragma once
// What a carved file turned out to be: its type code, the group it is listed
// under and the name it gets, which carries the sector where it starts.
#include <cstdint>
#include <string>

enum CarvedTypeCode : uint32_t {
    kCarvedJpeg = 1,
    kCarvedZip = 2,
    kCarvedWord = 3,
    kCarvedSpreadsheet = 4,
    kCarvedPresentation = 5,
    kCarvedBitmap = 6,
};

// True for the codes 1 to 6 that a finished candidate can carry.
bool IsCarvedTypeCode(uint32_t typeCode);

// "JPG", "ZIP", "word", "xlsx", "ppt", "BMP"; empty for any other code.
std::u16string CarvedGroupLabel(uint32_t typeCode);

// "pic%u.jpg", "Zip%u.ZIP", "word%u.docx", "ID_XLSX%u.xlsx", "ppt%u.pptx",
// "pic%u.bmp" with the first sector's number; empty for any other code.
std::u16string CarvedFileName(uint32_t typeCode, uint64_t firstSector);
