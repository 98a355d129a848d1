#include "engine/MftSweep.h"
#include "engine/ScanContext.h"

#include <gtest/gtest.h>

namespace {

// A reference with a sequence number on top, as records hold them.
uint64_t Ref(uint64_t record, uint64_t sequence = 3) { return sequence << 48 | record; }

DeletedFileItem File(uint64_t record, uint64_t parent) {
    DeletedFileItem item;
    item.recordNumber = record;
    item.parentRef = parent;
    item.name = u"f" + std::u16string(1, char16_t(u'0' + record % 10));
    return item;
}

void MarkAll(ScanContext& context) {
    for (const DeletedFileItem& item : context.deletedFiles) MarkFolderChain(context, item.parentRef);
    std::erase_if(context.folderMap, [](const auto& entry) { return entry.second.used == 0; });
}

TEST(MarkFolderChain, BuildsChainsAndPlaceholdersAsFilesNeedThem) {
    ScanContext context;
    // 40 is a deleted folder in the root, 41 a live folder inside it, 42 a
    // deleted folder that holds nothing deleted.
    context.folderMap[40] = {1, Ref(5), u"Photos", 0};
    context.folderMap[41] = {0, Ref(40), u"2024", 0};
    context.folderMap[42] = {1, Ref(5), u"Empty", 0};
    context.deletedFiles = {File(100, Ref(5)), File(101, Ref(41)), File(102, Ref(41)), File(103, Ref(41)),
                            File(104, Ref(77)), File(105, Ref(77, 9)), File(106, Ref(78))};
    MarkAll(context);

    ASSERT_EQ(context.folderMap.size(), 4u);
    EXPECT_EQ(context.folderMap.at(40).used, 1);
    EXPECT_EQ(context.folderMap.at(41).used, 1);
    EXPECT_FALSE(context.folderMap.contains(42)) << "a folder without found files is erased";
    EXPECT_FALSE(context.folderMap.contains(5)) << "the root itself is never stored";
    // Two files whose parent record is gone share one placeholder, whatever
    // the sequence numbers; the next lost parent gets the next number.
    EXPECT_EQ(context.folderMap.at(77).name, u"dir1");
    EXPECT_EQ(context.folderMap.at(77).parentRef, 0u);
    EXPECT_EQ(context.folderMap.at(78).name, u"dir2");
    EXPECT_EQ(context.lostFolderCounter, 2u);
}

TEST(MarkFolderChain, LongChainsAndLoopsEnd) {
    ScanContext context;
    // A chain of 200000 folders: walked without recursion.
    const uint64_t depth = 200000;
    for (uint64_t key = 16; key < 16 + depth; ++key) context.folderMap[key] = {1, Ref(key + 1), u"d", 0};
    context.folderMap[16 + depth] = {1, Ref(5), u"top", 0};
    MarkFolderChain(context, Ref(16));
    EXPECT_EQ(context.folderMap.at(16 + depth).used, 1);

    // A loop of parent references (a damaged volume) ends too.
    ScanContext looped;
    looped.folderMap[20] = {1, Ref(21), u"a", 0};
    looped.folderMap[21] = {1, Ref(22), u"b", 0};
    looped.folderMap[22] = {1, Ref(20), u"c", 0};
    MarkFolderChain(looped, Ref(20));
    EXPECT_EQ(looped.folderMap.at(22).used, 1);
    EXPECT_EQ(looped.lostFolderCounter, 0u);
}

}  // namespace
