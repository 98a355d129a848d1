#include "cli/FileEntryJson.h"
#include "cli/Json.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// JSON's escaping of UTF-16 text, written the slow and obvious way.
std::string Reference(std::u16string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        char escape[8];
        if (c == '"') out += "\\\"";
        else if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20 || c == 0x7F) out += (std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(c)), escape);
        else if (c < 0x80) out += char(c);
        else if (c < 0x800) out += {char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
        else if (c < 0x10000) out += {char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
        else
            out += {char(0xF0 | (c >> 18)), char(0x80 | ((c >> 12) & 0x3F)), char(0x80 | ((c >> 6) & 0x3F)),
                    char(0x80 | (c & 0x3F))};
    }
    return out;
}

std::string Entry(const FileFields& fields, FileEntryWriter& writer) {
    JsonWriter json;
    json.BeginArray();
    writer.Write(json, fields);
    json.EndArray();
    return json.Text();
}

TEST(Json, EscapesEveryKindOfCharacterAsJsonWants) {
    const std::u16string names[] = {
        u"plain.txt", u"quote\"back\\slash", u"tab\tnew\nline\rret", u"\x01\x1F\x7F", u"照片_01.jpg",
        u"pair \xD83D\xDE00 end", u"lone \xD800 high", u"lone \xDC00 low", u"trailing \xD83D", u""};
    for (const std::u16string& name : names) {
        JsonWriter json;
        json.Value(name);
        EXPECT_EQ(json.Text(), "\"" + Reference(name) + "\"");
        EXPECT_EQ(JsonWriter::Escaped(name), Reference(name));
    }
}

TEST(Json, AFileEntryHoldsEveryFieldEvenWhenEachCharacterNeedsSixBytes) {
    // The entry is written into room sized beforehand: names and folders made
    // only of control characters take the most; any miscount overruns it.
    const std::u16string worst(255, u'\x01');
    const std::u16string folder = u"删除的文件/" + worst + u"/" + worst;
    FileEntryWriter writer;
    const std::string text = Entry({"ntfs", worst, &folder, 123, u"2024-06-01  12:00", "2024-06-01T12:00:00+00:00",
                                    42, 5, "contiguous", true},
                                   writer);
    const std::string name = Reference(worst);
    EXPECT_EQ(text, "[{\"kind\":\"ntfs\",\"recordNumber\":42,\"parentRef\":5,\"name\":\"" + name + "\",\"path\":\"" +
                        Reference(folder) + "/" + name +
                        "\",\"size\":123,\"sizeText\":\"123byte\",\"modified\":\"2024-06-01  12:00\","
                        "\"modifiedIso\":\"2024-06-01T12:00:00+00:00\",\"encrypted\":true,\"content\":\"contiguous\"}]");
}

TEST(Json, RepeatedTimesAndFoldersAreCopiedOnlyWhileTheyStayTheSame) {
    const std::u16string a = u"A", b = u"B\"";
    FileEntryWriter writer;
    auto entry = [&](const std::u16string* folder, std::u16string_view time, std::string_view iso) {
        return Entry({"ntfs", u"f", folder, 1, time, iso, 1, 1, {}}, writer);
    };
    EXPECT_NE(entry(&a, u"t1", "i1").find("\"path\":\"A/f\",\"size\":1,\"sizeText\":\"1byte\",\"modified\":\"t1\","
                                           "\"modifiedIso\":\"i1\""),
              std::string::npos);
    EXPECT_NE(entry(&b, u"t1", "").find("\"path\":\"B\\\"/f\""), std::string::npos);
    const std::string third = entry(&a, u"t2", "i2");
    EXPECT_NE(third.find("\"modified\":\"t2\",\"modifiedIso\":\"i2\""), std::string::npos) << third;
    EXPECT_NE(entry(&a, u"t2", "").find("\"modifiedIso\":null"), std::string::npos);
    EXPECT_NE(entry(nullptr, u"", "i3").find("\"path\":\"f\",\"size\":1,\"sizeText\":\"1byte\",\"modified\":\"\","
                                              "\"modifiedIso\":\"i3\""),
              std::string::npos);
}

// A list written in two halves at once reads as one list, whichever half is
// empty and however many megabyte pieces the second half filled.
TEST(Json, AListContinuedElsewhereSplicesIntoOneList) {
    for (size_t first : {0u, 1u, 3u}) {
        for (size_t second : {0u, 1u, 2u, 70000u}) {
            std::string expected = "[";
            for (size_t i = 0; i < first + second; ++i) expected += (i ? ",\"" : "\"") + std::string(20, 'x') + "\"";
            expected += "]";

            JsonWriter whole;
            whole.BeginArray();
            for (size_t i = 0; i < first; ++i) whole.Value(std::string(20, 'x'));
            JsonWriter rest = JsonWriter::ListContinuation();
            for (size_t i = 0; i < second; ++i) rest.Value(std::u16string(20, u'x'));
            whole.Splice(rest);
            whole.EndArray();
            if (first == 0 && second > 0) {
                // A continuation always opens with a comma: the first half
                // is never empty when the list is split.
                continue;
            }
            EXPECT_EQ(whole.Text(), expected) << first << " + " << second;
        }
    }
}

}  // namespace
