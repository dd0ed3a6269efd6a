// Arbitrary bytes as a site-survey payload and as decimal fields.

#include "protocol/packet.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

// The C library's conversion over a terminated copy, clamped to int.
int Reference(const uint8_t* field, size_t size) {
    const std::string text(reinterpret_cast<const char*>(field), size);
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

void Survey(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> payload(data, data + size);
    const auto list = swp::ParseSurvey(payload.data(), payload.size());
    Check(list.size() == size / swp::kSurveyRecordSize);
    for (size_t n = 0; n < list.size(); ++n) {
        const _tag_AP_ROFIILE& ap = list[n];
        const uint8_t* record = payload.data() + n * swp::kSurveyRecordSize;
        Check(std::memchr(ap.SSID, 0, sizeof(ap.SSID)) != nullptr);
        Check(ap.Signal >= -99 && ap.Signal <= 999);
        Check(ap.Channel >= -99 && ap.Channel <= 999);
        Check(ap.Signal == Reference(record + 39, 3));
        Check(ap.Channel == Reference(record + 42, 3));

        const auto encoded = swp::EncodeSurveyRecord(ap);
        const _tag_AP_ROFIILE back = swp::ParseSurveyRecord(encoded.data());
        Check(std::strcmp(back.SSID, ap.SSID) == 0);
        Check(std::memcmp(back.BSSID, ap.BSSID, sizeof(ap.BSSID)) == 0);
        Check(back.Signal == std::clamp(ap.Signal, 0, 999));
        Check(back.Channel == std::clamp(ap.Channel, 0, 999));
        Check(back.Highlighted == ap.Highlighted && back.WpsCapable == ap.WpsCapable);
        Check(back.Encryption == ap.Encryption && back.Authentication == ap.Authentication &&
              back.NetworkKind == ap.NetworkKind);
    }
}

void Decimal(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> field(data, data + size);
    Check(swp::DecimalField(field.data(), field.size()) == Reference(field.data(), field.size()));
    for (size_t width = 0; width <= std::min<size_t>(size, 3); ++width)
        Check(swp::DecimalField(field.data(), width) == Reference(field.data(), width));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Survey(data, size);
    Decimal(data, size);
    return 0;
}
