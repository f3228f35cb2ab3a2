// Report descriptors: top-level collections with their usages and report lengths.
#include <gtest/gtest.h>

#include <vector>

#include "app/device/linux/ReportDescriptor.h"

namespace KeyForge {
namespace {

// A boot keyboard: 8-byte input, 1-byte LED output, no report IDs.
const std::vector<std::uint8_t> kKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01,
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};

// A vendor collection (page 0xFF01, usage 1): 64-byte output without report ID and a
// 7-byte feature report with ID 7; `outputBytes` sets the output size.
std::vector<std::uint8_t> Vendor(std::uint8_t outputBytes) {
    return {0x06, 0x01, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
            0x95, outputBytes, 0x09, 0x01, 0x91, 0x02, 0x85, 0x07, 0x95, 0x07, 0x09, 0x02, 0xB1, 0x02, 0xC0};
}

TEST(ReportDescriptor, CollectionsWithUsagesAndLengths) {
    std::vector<std::uint8_t> both = kKeyboard;
    const auto vendor = Vendor(128);
    both.insert(both.end(), vendor.begin(), vendor.end());
    const auto collections = ParseReportDescriptor(both);
    ASSERT_EQ(collections.size(), 2u);
    EXPECT_EQ(collections[0].usagePage, 0x0001);
    EXPECT_EQ(collections[0].usage, 0x0006);
    EXPECT_EQ(collections[0].outputReportLength, 2u) << "LED byte plus report ID byte";
    EXPECT_EQ(collections[0].featureReportLength, 0u);
    EXPECT_EQ(collections[1].usagePage, 0xFF01);
    EXPECT_EQ(collections[1].usage, 0x0001);
    EXPECT_EQ(collections[1].outputReportLength, 129u);
    EXPECT_EQ(collections[1].featureReportLength, 8u);
    EXPECT_EQ(ParseReportDescriptor(Vendor(64))[0].outputReportLength, 65u);
}

TEST(ReportDescriptor, TruncatedOrEmptyDescriptorsAreSafe) {
    EXPECT_TRUE(ParseReportDescriptor({}).empty());
    const auto vendor = Vendor(64);
    for (std::size_t cut = 0; cut < vendor.size(); ++cut) {
        const auto collections = ParseReportDescriptor(std::span(vendor).first(cut));
        EXPECT_LE(collections.size(), 1u) << cut;
    }
    // A long item claiming more bytes than there are.
    const std::vector<std::uint8_t> longItem = {0xFE, 0xFF, 0x00};
    EXPECT_TRUE(ParseReportDescriptor(longItem).empty());
}

}  // namespace
}  // namespace KeyForge
