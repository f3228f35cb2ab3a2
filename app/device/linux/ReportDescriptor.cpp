// A small report-descriptor walker: global state with push/pop, local usages, and the
// bit totals of output and feature reports per report ID within each top-level collection.
#include "app/device/linux/ReportDescriptor.h"

#include <algorithm>
#include <map>

namespace KeyForge {

namespace {

struct GlobalState {
    std::uint32_t usagePage = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint32_t reportId = 0;
};

// Item tags (prefix byte with the size bits cleared).
constexpr std::uint8_t kInput = 0x80, kOutput = 0x90, kFeature = 0xB0, kCollection = 0xA0,
                       kEndCollection = 0xC0, kUsagePage = 0x04, kReportSize = 0x74, kReportId = 0x84,
                       kReportCount = 0x94, kPush = 0xA4, kPop = 0xB4, kUsage = 0x08;
constexpr std::uint8_t kLongItem = 0xFE;

std::uint32_t Bytes(std::uint64_t bits) { return static_cast<std::uint32_t>((bits + 7) / 8); }

}  // namespace

std::vector<TopLevelCollection> ParseReportDescriptor(std::span<const std::uint8_t> d) {
    std::vector<TopLevelCollection> collections;
    GlobalState global;
    std::vector<GlobalState> stack;
    std::vector<std::uint32_t> usages;
    int depth = 0;
    std::map<std::uint32_t, std::uint64_t> outputBits, featureBits;

    auto finishCollection = [&] {
        if (collections.empty()) return;
        std::uint64_t out = 0, feature = 0;
        for (const auto& [id, bits] : outputBits) out = std::max(out, bits);
        for (const auto& [id, bits] : featureBits) feature = std::max(feature, bits);
        // Reports carry a report ID byte; without report IDs the byte is 0 but still counted.
        collections.back().outputReportLength = out ? Bytes(out) + 1 : 0;
        collections.back().featureReportLength = feature ? Bytes(feature) + 1 : 0;
        outputBits.clear();
        featureBits.clear();
    };

    std::size_t pos = 0;
    while (pos < d.size()) {
        const std::uint8_t prefix = d[pos];
        if (prefix == kLongItem) {
            if (pos + 1 >= d.size()) break;
            pos += 3u + d[pos + 1];
            continue;
        }
        const std::size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (pos + 1 + size > d.size()) break;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i) value |= static_cast<std::uint32_t>(d[pos + 1 + i]) << (8 * i);
        pos += 1 + size;
        const std::uint8_t tag = prefix & 0xFC;
        switch (tag) {
        case kUsagePage: global.usagePage = value; break;
        case kReportSize: global.reportSize = value; break;
        case kReportCount: global.reportCount = value; break;
        case kReportId: global.reportId = value; break;
        case kPush: stack.push_back(global); break;
        case kPop:
            if (!stack.empty()) {
                global = stack.back();
                stack.pop_back();
            }
            break;
        case kUsage:
            // A 4-byte usage carries its own page in the high half.
            usages.push_back(size == 4 ? value : (global.usagePage << 16) | value);
            break;
        case kCollection:
            if (depth == 0) {
                TopLevelCollection c;
                const std::uint32_t usage = usages.empty() ? global.usagePage << 16 : usages.front();
                c.usagePage = static_cast<std::uint16_t>(usage >> 16);
                c.usage = static_cast<std::uint16_t>(usage & 0xFFFF);
                collections.push_back(c);
            }
            ++depth;
            break;
        case kEndCollection:
            if (depth > 0 && --depth == 0) finishCollection();
            break;
        case kOutput:
            if (depth > 0) outputBits[global.reportId] += std::uint64_t{global.reportSize} * global.reportCount;
            break;
        case kFeature:
            if (depth > 0) featureBits[global.reportId] += std::uint64_t{global.reportSize} * global.reportCount;
            break;
        default: break;
        }
        // Local items (usages) last until the next main item.
        if (tag == kInput || tag == kOutput || tag == kFeature || tag == kCollection || tag == kEndCollection)
            usages.clear();
    }
    if (depth > 0) finishCollection();
    return collections;
}

}  // namespace KeyForge
