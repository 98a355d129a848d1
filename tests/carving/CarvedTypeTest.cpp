#include "carving/CarvedType.h"

#include <gtest/gtest.h>

namespace {

struct TypeCase {
    uint32_t code;
    std::u16string label;
    std::u16string name;  // for first sector 2048
};

TEST(CarvedType, EachCodeHasItsGroupLabelAndNamePattern) {
    const TypeCase cases[] = {
        {1, u"JPG", u"pic2048.jpg"},      {2, u"ZIP", u"Zip2048.ZIP"},
        {3, u"word", u"word2048.docx"},   {4, u"xlsx", u"ID_XLSX2048.xlsx"},
        {5, u"ppt", u"ppt2048.pptx"},     {6, u"BMP", u"pic2048.bmp"},
        {7, u"PNG", u"pic2048.png"},      {8, u"GIF", u"pic2048.gif"},
        {9, u"PDF", u"pdf2048.pdf"},      {10, u"TIFF", u"pic2048.tif"},
        {11, u"odt", u"odt2048.odt"},     {14, u"epub", u"book2048.epub"},
        {17, u"doc", u"word2048.doc"},    {19, u"ppt97", u"ppt2048.ppt"},
        {21, u"7z", u"7z2048.7z"},        {22, u"MP4", u"video2048.mp4"},
        {23, u"MOV", u"video2048.mov"},   {26, u"HEIC", u"pic2048.heic"},
        {28, u"NEF", u"raw2048.nef"},     {30, u"DNG", u"raw2048.dng"},
        {31, u"MP3", u"audio2048.mp3"},   {33, u"FLAC", u"audio2048.flac"},
        {35, u"Opus", u"audio2048.opus"}, {38, u"AVI", u"video2048.avi"},
        {40, u"WebM", u"video2048.webm"}, {42, u"MTS", u"video2048.mts"},
        {44, u"WMA", u"audio2048.wma"},   {45, u"WebP", u"pic2048.webp"},
        {46, u"PSD", u"pic2048.psd"},     {47, u"ICO", u"pic2048.ico"},
        {49, u"RTF", u"doc2048.rtf"},     {50, u"gz", u"archive2048.gz"},
        {53, u"tar", u"archive2048.tar"}, {54, u"RAR", u"archive2048.rar"},
        {55, u"SQLite", u"db2048.sqlite"}, {56, u"CR3", u"raw2048.cr3"},
        {59, u"RW2", u"raw2048.rw2"},
        {0, u"", u""},                    {60, u"", u""},    {1000, u"", u""},
    };
    for (const TypeCase& c : cases) {
        EXPECT_EQ(CarvedGroupLabel(c.code), c.label) << c.code;
        EXPECT_EQ(CarvedFileName(c.code, 2048), c.name) << c.code;
    }
}

TEST(CarvedType, NamesCarrySectorNumbersPastThirtyTwoBits) {
    EXPECT_EQ(CarvedFileName(kCarvedJpeg, 5'000'000'000ULL), u"pic5000000000.jpg");
    EXPECT_EQ(CarvedFileName(kCarvedSpreadsheet, 0), u"ID_XLSX0.xlsx");
}

}  // namespace
