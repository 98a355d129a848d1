#include "platform/DdrescueMap.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// The fields of a line, without the comment: '#' starts one at the line's
// start or after a blank.
std::vector<std::string> Fields(std::string_view line) {
    std::vector<std::string> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size() || line[i] == '#') break;
        const size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        fields.emplace_back(line.substr(start, i - start));
    }
    return fields;
}

// A number as a C++ integer constant writes it: decimal, 0x hexadecimal or
// 0 octal.
bool ParseNumber(const std::string& text, uint64_t& value, int base = 0) {
    if (text.empty() || text[0] == '-' || text[0] == '+') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, base);
    if (errno != 0 || end != text.c_str() + text.size()) return false;
    value = parsed;
    return true;
}

bool IsBlockStatus(char c) {
    return c == kNonTried || c == kNonTrimmed || c == kNonScraped || c == kBadSector || c == kFinished;
}

bool IsCurrentStatus(char c) { return IsBlockStatus(c) || c == 'F' || c == 'G'; }

bool Fail(std::string& reason, size_t line, const std::string& what) {
    reason = "line " + std::to_string(line) + ": " + what;
    return false;
}

}  // namespace

bool ParseDdrescueMap(std::string_view text, DdrescueMap& map, std::string& reason) {
    map = DdrescueMap{};
    bool statusSeen = false;
    bool anyBlock = false;
    uint64_t expected = 0;  // where the next block must start
    size_t lineNumber = 0;
    while (!text.empty()) {
        const size_t newline = text.find('\n');
        const std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
        ++lineNumber;
        const std::vector<std::string> fields = Fields(line);
        if (fields.empty()) continue;
        if (!statusSeen) {
            // Maps of old versions have no pass.
            if (fields.size() < 2 || fields.size() > 3) return Fail(reason, lineNumber, "the status line needs a position, a status and a pass");
            if (!ParseNumber(fields[0], map.currentPosition)) return Fail(reason, lineNumber, "the position is no number");
            if (fields[1].size() != 1 || !IsCurrentStatus(fields[1][0])) return Fail(reason, lineNumber, "unknown status '" + fields[1] + "'");
            map.currentStatus = fields[1][0];
            uint64_t pass = 1;
            if (fields.size() == 3 && (!ParseNumber(fields[2], pass, 10) || pass == 0 || pass > UINT32_MAX))
                return Fail(reason, lineNumber, "the pass is no positive decimal number");
            map.currentPass = static_cast<uint32_t>(pass);
            statusSeen = true;
            continue;
        }
        if (fields.size() != 3) return Fail(reason, lineNumber, "a block needs a position, a size and a status");
        uint64_t position = 0;
        uint64_t size = 0;
        if (!ParseNumber(fields[0], position) || !ParseNumber(fields[1], size))
            return Fail(reason, lineNumber, "the position or size is no number");
        if (fields[2].size() != 1 || !IsBlockStatus(fields[2][0]))
            return Fail(reason, lineNumber, "unknown block status '" + fields[2] + "'");
        if (anyBlock && position != expected)
            return Fail(reason, lineNumber, "the block does not start where the one before it ends");
        if (size > UINT64_MAX - position) return Fail(reason, lineNumber, "the block ends past the largest position");
        map.blocks.Assign(position, position + size, fields[2][0]);
        expected = position + size;
        anyBlock = true;
    }
    if (!statusSeen) {
        reason = "no status line: not a ddrescue mapfile";
        return false;
    }
    return true;
}

std::string FormatDdrescueMap(const DdrescueMap& map, uint64_t size, std::string_view heading) {
    std::string text;
    size_t start = 0;
    while (start < heading.size()) {
        const size_t newline = heading.find('\n', start);
        const size_t end = newline == std::string_view::npos ? heading.size() : newline;
        text += "# ";
        text += heading.substr(start, end - start);
        text += '\n';
        start = end + 1;
    }
    char line[96];
    std::snprintf(line, sizeof line, "# current_pos  current_status  current_pass\n0x%08llX     %c               %u\n",
                  static_cast<unsigned long long>(map.currentPosition), map.currentStatus, map.currentPass);
    text += line;
    text += "#      pos        size  status\n";
    const auto writeBlock = [&](uint64_t position, uint64_t length, char status) {
        std::snprintf(line, sizeof line, "0x%08llX  0x%08llX  %c\n", static_cast<unsigned long long>(position),
                      static_cast<unsigned long long>(length), status);
        text += line;
    };
    uint64_t position = 0;
    for (const auto& block : map.blocks.Overlapping(0, size)) {
        if (block.start > position) writeBlock(position, block.start - position, kNonTried);
        writeBlock(block.start, block.end - block.start, block.value);
        position = block.end;
    }
    if (position < size) writeBlock(position, size - position, kNonTried);
    return text;
}

}  // namespace platform
