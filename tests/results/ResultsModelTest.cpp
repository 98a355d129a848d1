#include "results/ResultsModel.h"

#include "engine/ScanContext.h"
#include "platform/TextConvert.h"
#include "results/ResultList.h"

#include <gtest/gtest.h>

namespace {

uint64_t Ref(uint64_t record) { return 1ULL << 48 | record; }

DeletedFileItem File(uint64_t record, uint64_t parentRef, std::u16string name, uint64_t size = 10,
                     uint32_t carvedType = 0) {
    DeletedFileItem item;
    item.recordNumber = record;
    item.parentRef = parentRef;
    item.name = std::move(name);
    item.size = size;
    item.carvedType = carvedType;
    return item;
}

// An NTFS sweep's result: Photos (40) with 2024 (41) and Docs (42) below
// the root, a placeholder dir1 (77), and files in each.
void FillNtfsStore(ScanContext& context) {
    context.folderMap[40] = {1, Ref(5), u"Photos", 1};
    context.folderMap[41] = {1, Ref(40), u"2024", 1};
    context.folderMap[42] = {0, Ref(5), u"Docs", 1};
    context.folderMap[77] = {0, 0, u"dir1", 1};
    context.deletedFiles = {File(100, Ref(5), u"root.txt"),      File(101, Ref(41), u"PHOTO.JPG"),
                            File(102, Ref(41), u"b.bmp"),        File(103, Ref(42), u"report.docx"),
                            File(104, Ref(77), u"lost.zip"),     File(105, Ref(40), u"archive.jpg.zip")};
}

std::vector<std::u16string> ChildTexts(const TreeNode& node) {
    std::vector<std::u16string> texts;
    for (const auto& child : node.children) texts.push_back(child->text);
    return texts;
}

std::vector<std::u16string> RowNames(const ResultsModel& model) {
    std::vector<std::u16string> names;
    for (const ListRow& row : model.Rows()) names.push_back(row.name);
    return names;
}

TEST(ResultsModel, NtfsDeletedModeShowsTwoTopNodesAndTheRootsFiles) {
    ScanContext context;
    context.recoveryMode = 1;
    FillNtfsStore(context);
    ResultsModel model(context, u'D');
    TreeNode& root = model.Root();
    EXPECT_EQ(root.text, u"D盘");
    EXPECT_EQ(ChildTexts(root), (std::vector<std::u16string>{u"删除的文件", u"找到的文件"}));
    TreeNode& deleted = *root.children[0];
    EXPECT_TRUE(root.expanded);
    EXPECT_TRUE(deleted.expanded);
    EXPECT_EQ(deleted.data, 5u);
    EXPECT_EQ(ChildTexts(deleted), (std::vector<std::u16string>{u"Photos", u"Docs"}));
    EXPECT_EQ(ChildTexts(*deleted.children[0]), (std::vector<std::u16string>{u"2024"}));
    EXPECT_EQ(ChildTexts(*root.children[1]), (std::vector<std::u16string>{u"dir1"}));
    EXPECT_EQ(root.children[1]->children[0]->data, 77u);
    // Building a view leaves the store as it was: a second model shows the same tree.
    ResultsModel again(context, u'D');
    EXPECT_EQ(ChildTexts(*again.Root().children[0]), (std::vector<std::u16string>{u"Photos", u"Docs"}));
    EXPECT_EQ(ChildTexts(*again.Root().children[1]), (std::vector<std::u16string>{u"dir1"}));

    EXPECT_EQ(model.CurrentNode(), &deleted);
    EXPECT_EQ(RowNames(model), (std::vector<std::u16string>{u"root.txt"}));

    // Nodes that list nothing leave the list as it was.
    model.SelectNode(*root.children[1]);
    EXPECT_EQ(RowNames(model), (std::vector<std::u16string>{u"root.txt"}));
    model.SelectNode(*model.FindNodeByPath(u"删除的文件/Photos/2024"));
    EXPECT_EQ(RowNames(model), (std::vector<std::u16string>{u"PHOTO.JPG", u"b.bmp"}));
    EXPECT_EQ(model.Rows()[0].icon, kIconJpeg);
    EXPECT_EQ(model.Rows()[1].icon, kIconBitmap);
}

TEST(ResultsModel, CarvedFilesHaveKeysNoRecordCanTake) {
    ScanContext context;
    context.recoveryMode = 2;
    FillNtfsStore(context);
    // A carved presentation: type 5, the same number as the root directory.
    context.folderMap[CategoryKey(5)] = {0, kCategoryParentRef, u"ppt", 1};
    context.deletedFiles.push_back(File(0, CategoryKey(5), u"ppt2048.pptx", 5000, 5));
    ResultsModel model(context, u'D');
    EXPECT_EQ(ChildTexts(model.Root()), (std::vector<std::u16string>{u"删除的文件", u"找到的文件", u"按类型分类的文件"}));
    TreeNode& byType = *model.Root().children[2];
    EXPECT_EQ(byType.data, 0xFFFFFFFFu);
    ASSERT_EQ(ChildTexts(byType), (std::vector<std::u16string>{u"ppt"}));
    EXPECT_EQ(RowNames(model), (std::vector<std::u16string>{u"root.txt"})) << "the root lists no carved file";
    model.SelectNode(*byType.children[0]);
    EXPECT_EQ(RowNames(model), (std::vector<std::u16string>{u"ppt2048.pptx"}));
    EXPECT_TRUE(byType.children[0]->children.empty()) << "the root's folders are not the category's";
}

TEST(ResultsModel, RawVolumesShowTheirTypesInEitherMode) {
    ScanContext context;
    context.recoveryMode = 1;
    context.resultKind = ResultKind::CarvedOnly;
    context.folderMap[CategoryKey(1)] = {0, kCategoryParentRef, u"JPG", 1};
    context.deletedFiles.push_back(File(0, CategoryKey(1), u"pic16.jpg", 900, 1));
    ResultsModel model(context, u'E');
    ASSERT_EQ(model.Root().children.size(), 3u);
    EXPECT_EQ(model.Find(u"pic"), 0u) << "raw results are not searched";
}

TEST(ResultsModel, LoopingParentsAreInsertedOnce) {
    ScanContext context;
    context.folderMap[0] = {0, 0, u"dir1", 1};  // a placeholder that is its own parent's key
    context.folderMap[50] = {1, Ref(51), u"a", 1};
    context.folderMap[51] = {1, Ref(50), u"b", 1};
    context.folderMap[52] = {1, Ref(5), u"c", 1};
    ResultsModel model(context, u'D');
    size_t nodes = 0;
    ForEachInSubtree(model.Root(), [&](TreeNode&) { ++nodes; });
    EXPECT_EQ(nodes, 5u) << "drive, two top nodes, c and dir1; the a-b loop has no way in";
}

TEST(ResultsModel, TicksSpreadDownToFilesAndUpToAncestors) {
    ScanContext context;
    FillNtfsStore(context);
    ResultsModel model(context, u'D');
    TreeNode& photos = *model.FindNodeByPath(u"删除的文件/Photos");
    TreeNode& year = *model.FindNodeByPath(u"删除的文件/Photos/2024");
    TreeNode& docs = *model.FindNodeByPath(u"删除的文件/Docs");
    model.SelectNode(year);

    model.ClickNodeCheckBox(photos);
    EXPECT_TRUE(photos.checked && year.checked && model.Root().checked && model.DeletedFilesNode()->checked);
    for (const ListRow& row : model.Rows()) EXPECT_TRUE(row.checked) << "the listed folder's rows follow";
    EXPECT_EQ(context.deletedFiles[1].checked, 1);
    EXPECT_EQ(context.deletedFiles[5].checked, 1) << "Photos' own file";
    EXPECT_EQ(context.deletedFiles[0].checked, 0) << "ancestors' own files are not marked";

    model.ClickNodeCheckBox(docs);
    model.ClickNodeCheckBox(docs);
    EXPECT_TRUE(model.DeletedFilesNode()->checked) << "Photos is still ticked";
    model.ClickNodeCheckBox(photos);
    EXPECT_FALSE(model.DeletedFilesNode()->checked);
    EXPECT_FALSE(model.Root().checked) << "no ticked child is left anywhere";
    EXPECT_EQ(context.deletedFiles[1].checked, 0);

    // Ticking one row ticks the listed folder and its ancestors, and only that file.
    model.ClickRowCheckBox(1);
    EXPECT_TRUE(year.checked && photos.checked && model.Root().checked);
    EXPECT_EQ(context.deletedFiles[2].checked, 1);
    EXPECT_EQ(context.deletedFiles[1].checked, 0);
    model.ClickRowCheckBox(1);
    EXPECT_EQ(context.deletedFiles[2].checked, 0);

    year.checked = true;
    photos.checked = false;
    model.ApplyCheckToSubtree(photos);
    EXPECT_FALSE(year.checked) << "the node's own tick goes down";
}

TEST(ResultsModel, FindMatchesNamesIgnoringAsciiCase) {
    ScanContext context;
    FillNtfsStore(context);
    ResultsModel model(context, u'D');
    EXPECT_EQ(model.Find(u"JPG"), 2u);
    std::vector<std::u16string> upper = RowNames(model);
    EXPECT_EQ(model.Find(u"jpg"), 2u);
    EXPECT_EQ(RowNames(model), upper);
    EXPECT_EQ(upper, (std::vector<std::u16string>{u"PHOTO.JPG", u"archive.jpg.zip"}));
    for (const ListRow& row : model.Rows()) EXPECT_EQ(row.icon, kIconFile);
    EXPECT_EQ(model.Find(u""), context.deletedFiles.size());
    EXPECT_EQ(model.Find(u"nothing"), 0u);
    EXPECT_TRUE(model.Rows().empty());
}

TEST(ResultList, SizeTimeAndIconTexts) {
    struct SizeCase {
        uint64_t bytes;
        const char16_t* text;
    } sizes[] = {{0, u"0byte"},        {1024, u"1024byte"}, {1025, u"1KB"},
                 {1048576, u"1024KB"}, {1048577, u"1M"},    {5ULL << 30, u"5120M"}};
    for (const SizeCase& c : sizes) EXPECT_EQ(SizeText(c.bytes), c.text) << c.bytes;

    EXPECT_EQ(FileTimeText(0x12345678), u"") << "no high half, no time";
    EXPECT_EQ(FileTimeText(133536879302500000ULL), u"2024-02-29  13:45");
    EXPECT_EQ(FileTimeText(~0ULL), u"0000-00-00  00:00");
    EXPECT_EQ(FatTimeText(0x58C1, 0x6000), u"2024-06-01  12:00");

    EXPECT_EQ(IconForName(u"PHOTO.JPG"), kIconJpeg);
    EXPECT_EQ(IconForName(u"zip"), kIconArchive) << "a name without a point is its own ending";
    EXPECT_EQ(IconForName(u"a.RAR"), kIconArchive);
}

TEST(ResultList, IconsForEveryCarvedAndListedType) {
    struct IconCase {
        const char16_t* name;
        int icon;
    } cases[] = {{u"archive.tar", kIconArchive}, {u"backup.7Z", kIconArchive},  {u"log.tar.gz", kIconArchive},
                 {u"scan.jpeg", kIconJpeg},      {u"IMG_0001.PNG", kIconJpeg},  {u"anim.gif", kIconJpeg},
                 {u"PAGE.TIF", kIconJpeg},       {u"page.Tiff", kIconJpeg},     {u"paint.BMP", kIconBitmap},
                 {u"report.pdf", kIconFile},     {u"movie.mp4", kIconVideo},    {u"notes.targz", kIconFile},
                 {u"audio31.mp3", kIconAudio},   {u"SONG.FLAC", kIconAudio},    {u"video40.webm", kIconVideo},
                 {u"video41.ts", kIconVideo},    {u"pic45.webp", kIconJpeg},    {u"x.mp3s", kIconFile},
                 {u"archive2048.bz2", kIconArchive}, {u"archive7.XZ", kIconArchive}, {u"pic9.psd", kIconJpeg},
                 {u"pic9.ico", kIconJpeg},       {u"pic9.cur", kIconJpeg},      {u"db4.sqlite", kIconFile},
                 {u"x.jpegs", kIconFile},        {u"png.txt", kIconFile}};
    for (const IconCase& c : cases)
        EXPECT_EQ(IconForName(c.name), c.icon) << platform::ToUtf8(c.name);
}

}  // namespace
