#include "cli/FileEntryJson.h"

#include "results/ResultList.h"

#include <cstring>

std::string_view FileEntryWriter::EscapedFolder(const std::u16string& path) {
    auto [entry, added] = m_folders.try_emplace(&path);
    if (added) entry->second = JsonWriter::Escaped(path);
    return entry->second;
}

template <typename Text>
const std::string& FileEntryWriter::Quoted(Text text, std::basic_string<typename Text::value_type>& last,
                                           std::string& quoted) {
    if (quoted.empty() || text != last) {
        last.assign(text);
        quoted.assign(JsonCursor::StringBound(text), '\0');
        JsonCursor cursor(quoted.data());
        cursor.String(text);
        quoted.resize(static_cast<size_t>(cursor.End() - quoted.data()));
    }
    return quoted;
}

void FileEntryWriter::Write(JsonWriter& json, const FileFields& file) {
    const std::string_view folder = file.folder ? EscapedFolder(*file.folder) : std::string_view();
    const std::string& time = Quoted(file.timeText, m_lastTime, m_timeJson);
    const std::string_view iso = file.timeIso.empty() ? std::string_view("null")
                                                      : std::string_view(Quoted(file.timeIso, m_lastIso, m_isoJson));
    if (m_name.size() < JsonCursor::StringBound(file.name)) m_name.resize(JsonCursor::StringBound(file.name));
    JsonCursor nameCursor(m_name.data());
    nameCursor.Escaped(file.name);
    const std::string_view name(m_name.data(), static_cast<size_t>(nameCursor.End() - m_name.data()));
    const std::string sizeText = SizeTextUtf8(file.size);

    constexpr size_t kKeysAndPunctuation = 180;
    const size_t bound = kKeysAndPunctuation + std::strlen(file.kind) + 3 * JsonCursor::kNumberBound +
                         2 * name.size() + folder.size() + sizeText.size() + time.size() + iso.size() +
                         JsonCursor::StringBound(file.contentSource);
    JsonCursor out(json.BeginRawValue(bound));
    out.Raw("{\"kind\":\"");
    out.Raw(file.kind);
    out.Raw("\",\"recordNumber\":");
    out.Number(file.location);
    out.Raw(",\"parentRef\":");
    out.Number(file.parentRef);
    out.Raw(",\"name\":\"");
    out.Raw(name);
    out.Raw("\",\"path\":\"");
    if (!folder.empty()) {
        out.Raw(folder);
        out.Raw("/");
    }
    out.Raw(name);
    out.Raw("\",\"size\":");
    out.Number(file.size);
    out.Raw(",\"sizeText\":\"");
    out.Raw(sizeText);
    out.Raw("\",\"modified\":");
    out.Raw(time);
    out.Raw(",\"modifiedIso\":");
    out.Raw(iso);
    out.Raw(file.encrypted ? ",\"encrypted\":true" : ",\"encrypted\":false");
    if (file.beforeFormat)
        out.Raw(file.deletedBeforeFormat ? ",\"beforeFormat\":true,\"deletedBeforeFormat\":true"
                                         : ",\"beforeFormat\":true,\"deletedBeforeFormat\":false");
    if (!file.contentSource.empty()) {
        out.Raw(",\"content\":");
        out.String(file.contentSource);
    }
    out.Raw("}");
    json.EndRawValue(out.End());
}
