// The settings file: a profile document parsed from the input, read, changed
// and written back, the written text parsed again to the same values; and the
// input as Base64 text, decoded and re-encoded, and as bytes, encoded and
// decoded back unchanged.
#include "platform/ProfileFile.h"
#include "settings/Base64.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    platform::ProfileDocument document = platform::ProfileDocument::Parse(text);
    std::u16string value;
    document.Get(u"Settings", u"Path", value);
    for (const auto& [key, entry] : document.Section(u"Settings")) document.Get(u"Settings", key, value);
    document.Set(u"Settings", u"Path", u"/media/backup");
    document.Set(u"新的", u"key", u" spaced = value ");
    const std::string written = document.Serialize();
    platform::ProfileDocument again = platform::ProfileDocument::Parse(written);
    if (!again.Get(u"settings", u"PATH", value) || value != u"/media/backup") std::abort();
    if (!again.Get(u"新的", u"key", value)) std::abort();

    if (auto decoded = DecodeBase64(text)) {
        const std::string encoded = EncodeBase64(*decoded);
        auto back = DecodeBase64(encoded);
        if (!back || *back != *decoded) std::abort();
    }
    const std::span<const uint8_t> bytes(data, size);
    auto roundTrip = DecodeBase64(EncodeBase64(bytes));
    if (!roundTrip || !std::equal(roundTrip->begin(), roundTrip->end(), bytes.begin(), bytes.end())) std::abort();
    return 0;
}
