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
    kCarvedPng = 7,
    kCarvedGif = 8,
    kCarvedPdf = 9,
    kCarvedTiff = 10,
    kCarvedOpenText = 11,
    kCarvedOpenSpreadsheet = 12,
    kCarvedOpenPresentation = 13,
    kCarvedEpub = 14,
    kCarvedJar = 15,
    kCarvedApk = 16,
    kCarvedLegacyWord = 17,
    kCarvedLegacySpreadsheet = 18,
    kCarvedLegacyPresentation = 19,
    kCarvedCompoundFile = 20,
    kCarved7z = 21,
    kCarvedMp4 = 22,
    kCarvedQuickTime = 23,
    kCarved3gp = 24,
    kCarvedM4a = 25,
    kCarvedHeic = 26,
    kCarvedCanonRaw = 27,
    kCarvedNikonRaw = 28,
    kCarvedSonyRaw = 29,
    kCarvedDng = 30,
    kCarvedMp3 = 31,
    kCarvedWav = 32,
    kCarvedFlac = 33,
    kCarvedOggVorbis = 34,
    kCarvedOpus = 35,
    kCarvedOggFlac = 36,
    kCarvedOggTheora = 37,
    kCarvedAvi = 38,
    kCarvedMatroska = 39,
    kCarvedWebm = 40,
    kCarvedTransportStream = 41,
    kCarvedM2ts = 42,
    kCarvedWmv = 43,
    kCarvedWma = 44,
    kCarvedWebp = 45,
    kCarvedPsd = 46,
    kCarvedIcon = 47,
    kCarvedCursor = 48,
    kCarvedRtf = 49,
    kCarvedGzip = 50,
    kCarvedBzip2 = 51,
    kCarvedXz = 52,
    kCarvedTar = 53,
    kCarvedRar = 54,
    kCarvedSqlite = 55,
    kCarvedCanonRaw3 = 56,
    kCarvedFujiRaw = 57,
    kCarvedOlympusRaw = 58,
    kCarvedPanasonicRaw = 59,
    kCarvedLastType = kCarvedPanasonicRaw,
};

// True for the codes that a finished candidate can carry.
bool IsCarvedTypeCode(uint32_t typeCode);

// The label of the type's group ("JPG", "ZIP", "word", "xlsx", "ppt", "BMP",
// "PNG", …); empty for any other code.
std::u16string CarvedGroupLabel(uint32_t typeCode);

// The type's name pattern with the first sector's number ("pic%u.jpg",
// "Zip%u.ZIP", "word%u.docx", "ID_XLSX%u.xlsx", "ppt%u.pptx", "pic%u.bmp",
// "pic%u.png", …); empty for any other code.
std::u16string CarvedFileName(uint32_t typeCode, uint64_t firstSector);
