#include "cli/BadRangeReport.h"

#include "cli/Json.h"
#include "engine/ScanContext.h"
#include "platform/Diagnostics.h"
#include "platform/RawSource.h"

#include <cstdio>
#include <vector>

namespace {

std::vector<platform::BadRange> AreasOf(const ScanContext& context) {
    return context.source ? context.source->BadRanges().Areas() : std::vector<platform::BadRange>{};
}

}  // namespace

void PrintBadRanges(const ScanContext& context) {
    if (!platform::DiagnosticsEnabled()) return;
    const auto areas = AreasOf(context);
    if (areas.empty()) return;
    const uint64_t sector = context.source->SectorSize();
    uint64_t bytes = 0;
    for (const auto& area : areas) bytes += area.end - area.start;
    std::fprintf(stderr, "%zu bad area%s, %llu bytes unreadable (%llu failed reads):\n", areas.size(),
                 areas.size() == 1 ? "" : "s", static_cast<unsigned long long>(bytes),
                 static_cast<unsigned long long>(context.source->BadRanges().FailedReads()));
    for (const auto& area : areas)
        std::fprintf(stderr, "  bytes %llu to %llu (sectors %llu to %llu)\n", static_cast<unsigned long long>(area.start),
                     static_cast<unsigned long long>(area.end - 1), static_cast<unsigned long long>(area.start / sector),
                     static_cast<unsigned long long>((area.end - 1) / sector));
}

void WriteBadRangesJson(JsonWriter& json, const ScanContext& context) {
    const uint64_t sector = context.source ? context.source->SectorSize() : 512;
    json.Key("badRanges");
    json.BeginArray();
    for (const auto& area : AreasOf(context)) {
        json.BeginObject();
        json.Field("offset", area.start);
        json.Field("length", area.end - area.start);
        json.Field("firstSector", area.start / sector);
        json.Field("lastSector", (area.end - 1) / sector);
        json.EndObject();
    }
    json.EndArray();
}
