#include "ui/PreviewContent.h"

#include "results/ResultsModel.h"
#include "tests/support/Sha256.h"
#include "tests/support/TestVolumes.h"
#include "tests/ui/UiTestSupport.h"
#include "tests/ui/ScannedVolume.h"
#include "ui/PicturePreview.h"
#include "ui/PreviewLoader.h"
#include "ui/ReaderThread.h"

#include <QBuffer>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The preview of the row named `name` in the folder at `path`.
std::optional<PreviewContent> PreviewRow(ResultsModel& model, const std::u16string& path, const std::u16string& name) {
    TreeNode* node = model.FindNodeByPath(path);
    if (!node) return std::nullopt;
    model.SelectNode(*node);
    for (const ListRow& row : model.Rows())
        if (row.name == name && row.file) return BuildPreview(*row.file, row.name);
    return std::nullopt;
}

std::vector<uint8_t> Encoded(const QImage& image, const char* format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return {data.begin(), data.end()};
}

// True when every pixel that `text` drawn in white would cover fully is
// white in `picture`: the size text is written there.
bool CarriesText(const QImage& picture, const std::u16string& text) {
    QImage mask(picture.size(), QImage::Format_RGB32);
    mask.fill(Qt::black);
    QPainter painter(&mask);
    painter.setPen(Qt::white);
    painter.drawText(QRect(20, 220, 380, 80), Qt::AlignLeft | Qt::AlignTop, QString::fromStdU16String(text));
    painter.end();
    int covered = 0;
    for (int y = 220; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            if (mask.pixel(x, y) != qRgb(255, 255, 255)) continue;
            ++covered;
            if (picture.pixel(x, y) != qRgb(255, 255, 255)) return false;
        }
    return covered > 20;
}

TEST(Preview, JpegAndBmpFromAScannedVolume) {
    auto scanned = ScanTestVolume("ntfs-small", 1);
    if (!scanned) GTEST_SKIP();
    auto jpeg = PreviewRow(*scanned->model, u"删除的文件/Photos/2024/trip", u"sunset.jpg");
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->page, PreviewPage::Picture);
    EXPECT_EQ(jpeg->caption, "图片预览");
    ASSERT_EQ(jpeg->picture.size(), QSize(kPreviewWidth, kPreviewHeight));
    EXPECT_TRUE(CarriesText(jpeg->picture, u"原图大小160×120像素"));
    EXPECT_FALSE(CarriesText(jpeg->picture, u"原图大小64×48像素")) << "the check tells sizes apart";
    EXPECT_NE(jpeg->picture.pixel(10, 10), jpeg->picture.pixel(390, 200)) << "a gradient, stretched over the page";

    auto bitmap = PreviewRow(*scanned->model, u"删除的文件/Photos/2024", u"family.bmp");
    ASSERT_TRUE(bitmap);
    ASSERT_EQ(bitmap->picture.size(), QSize(kPreviewWidth, kPreviewHeight)) << "a small picture is stretched up";
    EXPECT_TRUE(CarriesText(bitmap->picture, u"原图大小64×48像素"));

    // Other endings show their bytes, exactly as they were written.
    auto text = PreviewRow(*scanned->model, u"删除的文件/Photos/2024/trip", u"notes.txt");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->page, PreviewPage::Hex);
    EXPECT_EQ(text->caption, "十六进制显示");
    std::string expected;
    for (const auto& entry : testing_support::LoadManifest("ntfs-small"))
        if (entry.path == "/Photos/2024/trip/notes.txt") expected = entry.sha256;
    EXPECT_EQ(testing_support::Sha256Hex(text->bytes), expected);
}

TEST(Preview, PngGifAndDamagedPictures) {
    QImage red(30, 20, QImage::Format_RGB32);
    red.fill(Qt::red);
    PreviewContent png = PreviewFromBytes(u"Shot.PNG", Encoded(red, "PNG"));
    ASSERT_EQ(png.picture.size(), QSize(400, 300));
    EXPECT_EQ(png.picture.pixel(300, 50), qRgb(255, 0, 0));
    EXPECT_TRUE(CarriesText(png.picture, u"原图大小30×20像素"));

    // Two frames of one pixel: red, then blue. The preview shows the first.
    const uint8_t gif[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0,
                           0xFF, 0, 0, 0, 0, 0xFF,                                   // palette: red, blue
                           0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0,     // index 0
                           0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0,     // index 1
                           0x3B};
    PreviewContent first = PreviewFromBytes(u"anim.gif", {std::begin(gif), std::end(gif)});
    ASSERT_FALSE(first.picture.isNull());
    EXPECT_EQ(first.picture.pixel(200, 100), qRgb(255, 0, 0));

    // Icons and cursors as carved: Qt's ICO reader decodes both.
    QImage green(16, 16, QImage::Format_ARGB32);
    green.fill(Qt::green);
    std::vector<uint8_t> icon = Encoded(green, "ICO");
    for (const auto& [name, type] : {std::pair{u"pic12.ico", 1}, {u"pic13.cur", 2}}) {
        icon[2] = static_cast<uint8_t>(type);
        PreviewContent shown = PreviewFromBytes(name, icon);
        ASSERT_EQ(shown.page, PreviewPage::Picture);
        ASSERT_FALSE(shown.picture.isNull()) << "Qt's ICO plugin is missing";
        EXPECT_EQ(shown.picture.pixel(300, 50), qRgb(0, 255, 0));
        EXPECT_TRUE(CarriesText(shown.picture, u"原图大小16×16像素"));
    }

    std::vector<uint8_t> damaged = Encoded(red, "JPEG");
    damaged.resize(40);
    for (const auto& [name, bytes] : {std::pair{u"cut.jpg", damaged}, {u"text.bmp", std::vector<uint8_t>{'h', 'i'}}}) {
        PreviewContent broken = PreviewFromBytes(name, bytes);
        EXPECT_EQ(broken.page, PreviewPage::Picture);
        EXPECT_TRUE(broken.picture.isNull());
        EXPECT_EQ(broken.text, "\n      文件已损坏");
    }
}

TEST(Preview, WebpOnThePicturePageSoundAndVideoOnTheHexPage) {
    QImage green(30, 20, QImage::Format_RGB32);
    green.fill(Qt::green);
    const std::vector<uint8_t> webp = Encoded(green, "WEBP");
    if (webp.empty()) GTEST_SKIP() << "Qt's image format plugins (qt6-image-formats-plugins) are not installed";
    PreviewContent picture = PreviewFromBytes(u"pic45.webp", webp);
    ASSERT_EQ(picture.page, PreviewPage::Picture);
    ASSERT_EQ(picture.picture.size(), QSize(400, 300));
    EXPECT_TRUE(CarriesText(picture.picture, u"原图大小30×20像素"));

    for (const char16_t* name : {u"audio31.mp3", u"video38.mkv"}) {
        EXPECT_EQ(PreviewFromBytes(name, {0xFF, 0xFB, 0x90, 0x00}).page, PreviewPage::Hex);
    }
}

TEST(Preview, HugePictureHeadersAreDecodedSmall) {
    // A BMP header claiming 30000 by 30000 pixels of 24 bits with its data
    // cut short: the preview does not try to allocate gigabytes for it.
    std::vector<uint8_t> bmp(54, 0);
    auto put32 = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) bmp[at + i] = uint8_t(value >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, 54 + 3000);
    put32(10, 54);
    put32(14, 40);
    put32(18, 30000);
    put32(22, 30000);
    bmp[26] = 1;
    bmp[28] = 24;
    bmp.resize(54 + 3000, 0x80);
    PreviewContent content = PreviewFromBytes(u"huge.bmp", bmp);
    EXPECT_TRUE(content.picture.isNull());
    EXPECT_EQ(content.text, "\n      文件已损坏");
}

TEST(Preview, ZipListingsAndHexBytes) {
    auto scanned = ScanTestVolume("fat32-small", 2);
    if (!scanned) GTEST_SKIP();
    auto zip = PreviewRow(*scanned->model, u"删除的文件/Documents", u"#rchive.zip");
    ASSERT_TRUE(zip);
    EXPECT_EQ(zip->page, PreviewPage::ZipText);
    EXPECT_EQ(zip->caption, "文字");
    QStringList lines = zip->text.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("one.txt   [") && lines[0].endsWith("byte]")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith("two.txt   [")) << lines[1].toStdString();

    PreviewContent notZip = PreviewFromBytes(u"fake.zip", {'R', 'a', 'r', '!', 0});
    EXPECT_EQ(notZip.text, "文件已经损坏");

    PreviewContent five = PreviewFromBytes(u"five.txt", {1, 2, 3, 4, 5});
    EXPECT_EQ(five.page, PreviewPage::Hex);
    EXPECT_EQ(five.bytes, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
    PreviewContent office = PreviewFromBytes(u"report.docx", {'P', 'K', 3, 4});
    EXPECT_EQ(office.page, PreviewPage::Hex) << "office documents are shown as bytes";
}

}  // namespace

namespace {

// Rows clicked one after another: the reads run on the reader thread, and
// only the last row's page comes back.
TEST(PreviewLoader, OnlyTheLastRequestedRowIsShown) {
    auto scanned = ScanTestVolume("ntfs-small", 1);
    if (!scanned) GTEST_SKIP();
    ResultsModel& model = *scanned->model;
    model.SelectNode(*model.FindNodeByPath(u"删除的文件/Photos/2024/trip"));
    std::vector<ListRow> rows = model.Rows();
    ASSERT_EQ(rows.size(), 3u);

    std::vector<PreviewContent> shown;
    {
        ReaderThread reader;
        PreviewLoader loader(reader);
        QObject::connect(&loader, &PreviewLoader::previewReady, [&](const PreviewContent& content) { shown.push_back(content); });
        for (int round = 0; round < 20; ++round)
            for (const ListRow& row : rows) loader.Request(row);
        // The list is refilled while the reads are under way: the rows' readers go with the requests.
        model.SelectNode(*model.DeletedFilesNode());
        rows.clear();
        for (int waited = 0; shown.empty() && waited < 5000; waited += 10) QTest::qWait(10);
        QTest::qWait(100);
    }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].page, PreviewPage::Hex) << "notes.txt, the last row";
    EXPECT_EQ(shown[0].bytes.size(), 1500u);
}

}  // namespace
