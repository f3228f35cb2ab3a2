// What the transport needs from a HID report descriptor: the top-level collections with
// their usage page, usage and output report length (as the HID class computes its
// capabilities: the longest output report of the collection plus the report ID byte).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace KeyForge {

/// One top-level collection of a report descriptor.
struct TopLevelCollection {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::uint32_t outputReportLength = 0;   ///< bytes, report ID byte included; 0 without output reports
    std::uint32_t featureReportLength = 0;  ///< likewise for feature reports
};

/// Parses a report descriptor. A malformed descriptor yields the collections read up to
/// the fault (possibly none); nothing is read beyond the given bytes.
std::vector<TopLevelCollection> ParseReportDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace KeyForge
