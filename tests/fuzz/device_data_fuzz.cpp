// The reply of the handheld's GetDeviceData: any bytes give the identity fields within their
// widths, and a reply shorter than its three slots gives none.
#include "device/device_data_reply.h"
#include "fuzz/fuzz_check.h"

#include <span>

using orvo::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const orvo::Latin1CodePage code_page;
    const auto fields = orvo::ParseDeviceDataReply(std::span(data, size), code_page);
    Require(fields.has_value() == (size >= orvo::kDeviceDataReplyBytes),
            "a reply was taken or refused by its length wrongly");
    if (!fields) return 0;
    Require(fields->Version.size() <= 4 && fields->Lang.size() <= 9 &&
                fields->ModelID.size() <= 9 && fields->RomTypeCode.size() <= 3,
            "an identity field is longer than its room");
    Require(fields->SerialLink == 0 || fields->SerialLink == 1, "the link is neither kind");
    return 0;
}
