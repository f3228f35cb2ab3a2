// Splitting a report-protocol table into output-report chunks: 00, command, n, offset
// low, offset high, then 60 table bytes. Shared by the key map, the per-key colours and
// the colour frames.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "app/device/HidTransport.h"
#include "app/device/KeyboardProtocol.h"

namespace KeyForge {

/// `chunks` chunks of `data` table bytes each at offsets 0, data, 2 x data, ...; n is
/// `data` in every chunk but the last, which says `lastData`.
template <std::size_t N>
std::vector<OutputReport> TableChunks(std::uint8_t command, const std::array<std::uint8_t, N>& table, int chunks,
                                      std::size_t data, std::size_t lastData) {
    std::vector<OutputReport> out;
    for (int i = 0; i < chunks; ++i) {
        OutputReport r{};
        const std::size_t offset = data * static_cast<std::size_t>(i);
        r[0] = Protocol::kOutputReportId;
        r[1] = command;
        r[2] = static_cast<std::uint8_t>(i == chunks - 1 ? lastData : data);
        r[3] = static_cast<std::uint8_t>(offset & 0xFF);
        r[4] = static_cast<std::uint8_t>(offset >> 8);
        if (offset < N)
            std::copy_n(table.begin() + static_cast<std::ptrdiff_t>(offset), std::min(data, N - offset),
                        r.begin() + Protocol::kChunkHeadSize);
        out.push_back(r);
    }
    return out;
}

}  // namespace KeyForge
