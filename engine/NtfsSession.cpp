#include "engine/NtfsSession.h"

#include "engine/ScanContext.h"
#include "engine/SessionCodec.h"
#include "ntfs/NTFSVolume.h"

namespace {

std::vector<CExtensionIndex::Noted> ParsePart(SessionReader& reader) {
    std::vector<CExtensionIndex::Noted> all(reader.Count(4, "extension records"));
    for (CExtensionIndex::Noted& noted : all) {
        noted.baseRecord = reader.Number();
        noted.recordNumber = reader.Number();
        noted.baseSequence = static_cast<uint16_t>(reader.NumberUpTo(UINT16_MAX, "a sequence number"));
        if (reader.Flag()) {
            ClearedFileName name;
            name.name = reader.Text();
            name.parentReference = reader.Number();
            noted.clearedName = std::move(name);
        }
        if (reader.Failed()) return {};
    }
    if (!reader.AtEnd()) reader.Fail("the NTFS part has bytes after its end");
    return all;
}

}  // namespace

void SaveNtfsSession(SessionWriter& writer, const ScanContext& context) {
    std::vector<CExtensionIndex::Noted> all;
    if (!context.openVolumes.empty()) all = context.openVolumes.front()->Extensions().AllNoted();
    writer.Number(all.size());
    for (const CExtensionIndex::Noted& noted : all) {
        writer.Number(noted.baseRecord);
        writer.Number(noted.recordNumber);
        writer.Number(noted.baseSequence);
        writer.Flag(noted.clearedName.has_value());
        if (noted.clearedName) {
            writer.Text(noted.clearedName->name);
            writer.Number(noted.clearedName->parentReference);
        }
    }
}

bool LoadNtfsSession(SessionReader& reader, ScanContext& context) {
    std::span<const uint8_t> bytes = reader.Bytes(reader.Left());
    SessionReader partReader(bytes);
    ParsePart(partReader);
    if (partReader.Failed()) {
        reader.Fail(partReader.Error());
        return false;
    }
    context.savedFileSystemPart.assign(bytes.begin(), bytes.end());
    return true;
}

void RestoreNtfsExtensions(ScanContext& context, CNTFSVolume& volume) {
    SessionReader reader(context.savedFileSystemPart);
    for (CExtensionIndex::Noted& noted : ParsePart(reader)) volume.Extensions().Restore(std::move(noted));
    context.savedFileSystemPart.clear();
}
