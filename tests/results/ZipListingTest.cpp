#include "results/ZipListing.h"

#include "results/PreviewPage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Entry {
    std::string name;
    uint32_t compressedSize = 0;
    std::string comment;
    uint16_t flags = 0;
    std::vector<uint8_t> extra;
    uint32_t uncompressedSize = 0;
};

void Put16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, uint16_t(value));
    Put16(out, uint16_t(value >> 16));
}
void PutText(std::vector<uint8_t>& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

// An archive with one local header (no data) and a central directory of `entries`.
std::vector<uint8_t> Archive(const std::vector<Entry>& entries) {
    std::vector<uint8_t> out;
    Put32(out, 0x04034B50);
    out.resize(30, 0);
    for (const Entry& entry : entries) {
        Put32(out, 0x02014B50);
        Put16(out, 20);
        Put16(out, 20);
        Put16(out, entry.flags);
        out.resize(out.size() + 10, 0);  // method, time, date, CRC
        Put32(out, entry.compressedSize);
        Put32(out, entry.uncompressedSize);
        Put16(out, uint16_t(entry.name.size()));
        Put16(out, uint16_t(entry.extra.size()));
        Put16(out, uint16_t(entry.comment.size()));
        out.resize(out.size() + 12, 0);  // disk, attributes, local header offset
        PutText(out, entry.name);
        out.insert(out.end(), entry.extra.begin(), entry.extra.end());
        PutText(out, entry.comment);
    }
    return out;
}

std::u16string Listing(const std::vector<uint8_t>& bytes) { return ListZipEntries(bytes).text; }

TEST(ZipListing, ListsNamesWithCompressedSizes) {
    auto text = Listing(Archive({{"readme.txt", 200}, {"docs/", 0}, {"a.bin", 1536}, {"big.bin", 1048577}}));
    EXPECT_EQ(text, u"readme.txt   [200byte]\r\ndocs/\r\na.bin   [1KB]\r\nbig.bin   [1M]\r\n");
}

TEST(ZipListing, CommentsAndExtraFieldsDoNotDisturbTheNextEntry) {
    Entry commented{"first.txt", 10, "a comment of some length"};
    commented.extra = {0x55, 0x54, 0x05, 0x00, 1, 2, 3, 4, 5};
    EXPECT_EQ(Listing(Archive({commented, {"second.txt", 20}})), u"first.txt   [10byte]\r\nsecond.txt   [20byte]\r\n");
}

TEST(ZipListing, DamagedOrCutArchives) {
    EXPECT_TRUE(ListZipEntries(std::vector<uint8_t>{}).damaged);
    EXPECT_TRUE(ListZipEntries(std::vector<uint8_t>{0x50, 0x4B, 0x03}).damaged);
    EXPECT_TRUE(ListZipEntries(std::vector<uint8_t>{'M', 'Z', 0, 0, 0, 0}).damaged);

    // No central directory: an empty page, not a damage message.
    std::vector<uint8_t> localOnly = {0x50, 0x4B, 0x03, 0x04, 1, 2, 3};
    ZipListing listing = ListZipEntries(localOnly);
    EXPECT_FALSE(listing.damaged);
    EXPECT_TRUE(listing.text.empty());

    // Cut inside the second entry's name: the first entry is listed, the cut one is not.
    std::vector<uint8_t> whole = Archive({{"one.txt", 1}, {"two-with-a-long-name.txt", 2}});
    whole.resize(whole.size() - 5);
    EXPECT_EQ(Listing(whole), u"one.txt   [1byte]\r\n");
    // Cut inside the fixed part of the only header.
    std::vector<uint8_t> header = Archive({{"x", 1}});
    header.resize(30 + 40);
    EXPECT_EQ(Listing(header), u"");
}

TEST(ZipListing, NamesInTheirEncodingAndBounded) {
    Entry utf8{"\xE7\x85\xA7\xE7\x89\x87.jpg", 5};  // 照片.jpg
    utf8.flags = 1 << 11;
    EXPECT_EQ(Listing(Archive({utf8})), u"照片.jpg   [5byte]\r\n");
    Entry gbk{"\xD5\xD5\xC6\xAC.jpg", 5};  // 照片.jpg in the default code page
    EXPECT_EQ(Listing(Archive({gbk})), u"照片.jpg   [5byte]\r\n");

    std::u16string text = Listing(Archive({{std::string(600, 'n'), 0}}));
    EXPECT_EQ(text.size(), 259u + 2u);
    EXPECT_EQ(text.substr(257), u"n…\r\n");
}

TEST(ZipListing, Zip64SizesComeFromTheExtraField) {
    Entry large{"huge.iso", 0xFFFFFFFF};
    large.uncompressedSize = 0xFFFFFFFF;
    large.extra = {0x01, 0x00, 16, 0};
    for (uint64_t value : {uint64_t(6) << 30, uint64_t(5) << 30})
        for (int i = 0; i < 8; ++i) large.extra.push_back(uint8_t(value >> (8 * i)));
    EXPECT_EQ(Listing(Archive({large})), u"huge.iso   [5120M]\r\n");
}

TEST(PreviewPage, ChosenByTheNamesEnding) {
    EXPECT_EQ(PreviewPageForName(u"photo.JPG"), PreviewPage::Picture);
    for (auto name : {u"a.png", u"b.bmp", u"c.gif", u"pic2048.jpg", u"pic2048.webp", u"pic7.ico", u"pic8.CUR"})
        EXPECT_EQ(PreviewPageForName(name), PreviewPage::Picture);
    EXPECT_EQ(PreviewPageForName(u"Zip3.ZIP"), PreviewPage::ZipText);
    EXPECT_EQ(PreviewPageForName(u"zip"), PreviewPage::ZipText) << "a name without a point is its own ending";
    for (auto name : {u"report.docx", u"backup.rar", u"notes.txt", u"jpg.txt", u"audio31.mp3", u"video38.mkv",
                      u"pic3.psd", u"archive5.gz", u"doc2.rtf"})
        EXPECT_EQ(PreviewPageForName(name), PreviewPage::Hex);
    EXPECT_EQ(PreviewCaption(PreviewPage::Picture), u"图片预览");
    EXPECT_EQ(PreviewCaption(PreviewPage::ZipText), u"文字");
    EXPECT_EQ(PreviewCaption(PreviewPage::Hex), u"十六进制显示");
    EXPECT_EQ(PictureSizeText(1024, 768), u"原图大小1024×768像素");
}

}  // namespace
