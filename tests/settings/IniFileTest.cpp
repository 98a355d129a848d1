#include "settings/Base64.h"
#include "settings/IniFile.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

CIniFile MakeIni() {
    CIniFile ini;
    ini.SetPath(testing_support::MakeTempFolder("ini") + "/ruvex/config.ini");
    return ini;
}

TEST(IniFile, TextValuesRoundTripAndFallBackToTheDefault) {
    CIniFile ini = MakeIni();
    EXPECT_EQ(ini.GetString(u"Main", u"Last", u"none"), u"none") << "absent file";
    ASSERT_TRUE(ini.WriteString(u"Main", u"Last", u"D:/恢复"));
    EXPECT_EQ(ini.GetString(u"main", u"LAST", u"none"), u"D:/恢复");
    EXPECT_EQ(ini.GetString(u"Main", u"Other", u"dflt"), u"dflt") << "absent key";

    std::u16string longText(600, u'x');
    ASSERT_TRUE(ini.WriteString(u"Main", u"Long", longText));
    EXPECT_EQ(ini.GetString(u"Main", u"Long", u""), std::u16string(511, u'x'));
}

TEST(IniFile, ByteValuesAreStoredAsStandardBase64) {
    CIniFile ini = MakeIni();
    struct Case {
        std::vector<uint8_t> bytes;
        const char16_t* text;
    } cases[] = {{{'M', 'a', 'n'}, u"TWFu"}, {{'M', 'a'}, u"TWE="}, {{'M'}, u"TQ=="},
                 {{0xFB, 0xFF, 0xBF}, u"+/+/"}, {{}, u""}};
    for (const Case& c : cases) {
        ASSERT_TRUE(ini.WriteBinary(u"Bin", u"v", c.bytes));
        EXPECT_EQ(ini.GetString(u"Bin", u"v", u"?"), c.text);
        std::vector<uint8_t> back;
        EXPECT_EQ(ini.GetBinary(u"Bin", u"v", back), int(c.bytes.size()));
        EXPECT_EQ(back, c.bytes);
    }
    std::vector<uint8_t> out;
    EXPECT_EQ(ini.GetBinary(u"Bin", u"absent", out), 0);
}

TEST(IniFile, Base64DecodingStopsOrFailsAsTheFormatSays) {
    EXPECT_EQ(DecodeBase64("*TWFu")->size(), 0u) << "first character outside the alphabet";
    EXPECT_EQ(*DecodeBase64("TWFu*QQ"), (std::vector<uint8_t>{'M', 'a', 'n'}));
    EXPECT_EQ(*DecodeBase64("TQ==TWFu"), (std::vector<uint8_t>{'M'})) << "ends after a padded group";
    EXPECT_FALSE(DecodeBase64("T*Fu"));
    EXPECT_FALSE(DecodeBase64("TW=u")) << "= in third place needs = in fourth";
    EXPECT_FALSE(DecodeBase64("TWF")) << "a group cut short";
}

TEST(IniFile, ByteValuesTooLongToReadBackAreRefused) {
    CIniFile ini = MakeIni();
    std::vector<uint8_t> fits(381, 0xAB), tooLong(382, 0xAB), back;
    ASSERT_TRUE(ini.WriteBinary(u"Bin", u"v", fits));
    EXPECT_EQ(ini.GetBinary(u"Bin", u"v", back), 381);
    EXPECT_FALSE(ini.WriteBinary(u"Bin", u"w", tooLong));
    EXPECT_EQ(ini.GetBinary(u"Bin", u"w", back), 0) << "nothing was written";
}

}  // namespace
