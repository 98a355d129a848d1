#include "ntfs/AttrFactory.h"

#include "ntfs/AttrAttrList.h"
#include "ntfs/AttrData.h"
#include "ntfs/AttrFileName.h"
#include "ntfs/AttrIndexAlloc.h"
#include "ntfs/AttrIndexRoot.h"
#include "ntfs/AttrStdInfo.h"
#include "ntfs/AttrVolInfo.h"
#include "ntfs/AttrVolName.h"
#include "ntfs/RecordLayout.h"

namespace {

// Types whose value NTFS always keeps inside the record, with the least
// value that holds the fields read from them.
bool ResidentOnly(uint32_t type, uint64_t& minimumBody) {
    switch (type) {
    case kStandardInformation: minimumBody = CAttr_StdInfo::kMinBodySize; return true;
    case kFileName: minimumBody = file_name::kNameOffset; return true;
    case kVolumeName: minimumBody = 0; return true;
    case kVolumeInformation: minimumBody = CAttr_VolInfo::kMinBodySize; return true;
    case kIndexRoot: minimumBody = CAttr_IndexRoot::kMinBodySize; return true;
    default: return false;
    }
}

template <template <typename> class Typed>
std::unique_ptr<CAttrBase> EitherForm(platform::LeBytes attribute, CFileRecord& owner, bool nonResident) {
    if (nonResident) return std::make_unique<Typed<CAttrNonResident>>(attribute, owner);
    return std::make_unique<Typed<CAttrResident>>(attribute, owner);
}

std::unique_ptr<CAttrBase> CreateResidentOnly(uint32_t type, platform::LeBytes attribute,
                                              CFileRecord& owner) {
    switch (type) {
    case kStandardInformation: return std::make_unique<CAttr_StdInfo>(attribute, owner);
    case kFileName: return std::make_unique<CAttr_FileName>(attribute, owner);
    case kVolumeName: return std::make_unique<CAttr_VolName>(attribute, owner);
    case kVolumeInformation: return std::make_unique<CAttr_VolInfo>(attribute, owner);
    default: return std::make_unique<CAttr_IndexRoot>(attribute, owner);
    }
}

}  // namespace

std::unique_ptr<CAttrBase> CreateAttribute(platform::LeBytes attribute, CFileRecord& owner) {
    if (!CAttrBase::HeaderFits(attribute)) return nullptr;
    const uint32_t type = attribute.U32(attribute_header::kTypeOffset);
    const bool nonResident = attribute.U8(attribute_header::kNonResidentOffset) != 0;
    if (nonResident ? !CAttrNonResident::HeaderFits(attribute) : !CAttrResident::BodyFits(attribute))
        return nullptr;

    uint64_t minimumBody = 0;
    if (ResidentOnly(type, minimumBody)) {
        // These values are never stored outside the record; a record that
        // claims otherwise is damaged.
        if (nonResident) return nullptr;
        const platform::LeBytes body = CAttrResident::BodyOf(attribute);
        if (body.Size() < minimumBody) return nullptr;
        if (type == kFileName && !CFileName::BodyFits(body)) return nullptr;
        return CreateResidentOnly(type, attribute, owner);
    }
    // The other types, bitmaps among them, have no typed body: their data is
    // read, if at all, through the plain forms.
    switch (type) {
    case kAttributeList: return EitherForm<CAttr_AttrList>(attribute, owner, nonResident);
    case kData: return EitherForm<CAttr_Data>(attribute, owner, nonResident);
    case kIndexAllocation:
        if (nonResident) return std::make_unique<CAttr_IndexAlloc>(attribute, owner);
        return std::make_unique<CAttrResident>(attribute, owner);
    default:
        if (nonResident) return std::make_unique<CAttrNonResident>(attribute, owner);
        return std::make_unique<CAttrResident>(attribute, owner);
    }
}
