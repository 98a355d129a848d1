#include "platform/ProfileFile.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ProfileFile, SectionsAndKeysMatchWithoutCaseAndQuotesAreRemoved) {
    auto document = platform::ProfileDocument::Parse(
        "; comment\r\n[Main]\r\n Name = \"two words\" \r\nKey=1\r\n[other]\r\nkey=2\r\n");
    std::u16string value;
    ASSERT_TRUE(document.Get(u"MAIN", u"name", value));
    EXPECT_EQ(value, u"two words");
    ASSERT_TRUE(document.Get(u"Other", u"KEY", value));
    EXPECT_EQ(value, u"2");
    EXPECT_FALSE(document.Get(u"Main", u"missing", value));
    EXPECT_FALSE(document.Get(u"none", u"key", value));
}

TEST(ProfileFile, SetReplacesInPlaceOrAppendsToItsSection) {
    auto document = platform::ProfileDocument::Parse("[A]\nx=1\n\n[B]\ny=2\n");
    document.Set(u"a", u"X", u"10");
    document.Set(u"A", u"z", u"3");
    document.Set(u"C", u"w", u"中文");
    EXPECT_EQ(document.Serialize(), "[A]\nX=10\nz=3\n\n[B]\ny=2\n[C]\nw=中文\n");
}

TEST(ProfileFile, WritesCreateTheFileAndReplaceItWhole) {
    std::string folder = testing_support::MakeTempFolder("profile");
    std::string path = folder + "/ruvex/config.ini";
    std::u16string value;
    EXPECT_FALSE(platform::ReadProfileString(path, u"S", u"k", value)) << "absent file";
    ASSERT_TRUE(platform::WriteProfileString(path, u"S", u"k", u"v1"));
    ASSERT_TRUE(platform::WriteProfileString(path, u"S", u"k", u"v2"));
    ASSERT_TRUE(platform::ReadProfileString(path, u"s", u"K", value));
    EXPECT_EQ(value, u"v2");
    EXPECT_EQ(ReadAll(path), "[S]\nk=v2\n");
    // The rewrite went through a temporary file that is gone afterwards.
    int files = 0;
    for (auto& item : std::filesystem::directory_iterator(folder + "/ruvex")) files += !item.is_directory();
    EXPECT_EQ(files, 1);
}

TEST(ProfileFile, AFailedRewriteLeavesTheOldFileIntact) {
    std::string folder = testing_support::MakeTempFolder("profile-ro");
    std::string path = folder + "/config.ini";
    ASSERT_TRUE(platform::WriteProfileString(path, u"S", u"k", u"old"));
    // The target is a folder's name inside a missing path: the temporary file cannot be made.
    EXPECT_FALSE(platform::WriteProfileString(path + "/nested", u"S", u"k", u"new"));
    EXPECT_EQ(ReadAll(path), "[S]\nk=old\n");
}

}  // namespace
