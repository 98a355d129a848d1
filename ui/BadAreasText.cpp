#include "ui/BadAreasText.h"

#include "engine/ScanContext.h"
#include "platform/RawSource.h"
#include "results/ResultList.h"
#include "toolkit/QtText.h"

namespace {

// A dying disk can have thousands; the note stays readable.
constexpr size_t kAreasListed = 20;

}  // namespace

QString BadAreasText(const ScanContext& context) {
    if (!context.source) return {};
    const auto areas = context.source->BadRanges().Areas();
    if (areas.empty()) return {};
    const uint64_t sector = context.source->SectorSize();
    uint64_t bytes = 0;
    for (const auto& area : areas) bytes += area.end - area.start;
    QString text = QStringLiteral("%1处坏扇区,共%2无法读取:").arg(areas.size()).arg(ToQString(SizeText(bytes)));
    for (size_t i = 0; i < areas.size() && i < kAreasListed; ++i)
        text += QStringLiteral("\n扇区 %1 - %2").arg((areas[i].start / sector)).arg((areas[i].end - 1) / sector);
    if (areas.size() > kAreasListed) text += QStringLiteral("\n……");
    return text;
}
