// The ZIP listing of the preview over any bytes: every header field is
// bounded by the archive, and each listed line ends where it should.
#include "results/ZipListing.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZipListing listing = ListZipEntries(std::span<const uint8_t>(data, size));
    if (listing.damaged && !listing.text.empty()) std::abort();
    if (!listing.text.empty() && listing.text.back() != u'\n') std::abort();
    return 0;
}
