// Factory reset of the keyboard.
#include "app/device/MaintenanceCommands.h"

#include <algorithm>

namespace KeyForge {

using namespace Protocol;

namespace {

Payload SignaturePayload() {
    Payload payload{};
    std::copy(std::begin(kPayloadSignature), std::end(kPayloadSignature), payload.begin());
    return payload;
}

}  // namespace

FeatureReport EncodeFactoryResetWired() { return {kFeatureReportId, kCmdFactoryReset, kFactoryResetArg, 0, 0, 0, 0, 0}; }

Payload EncodeFactoryResetWireless() {
    Payload payload = SignaturePayload();
    payload[kPayloadCommandByte] = kPayloadCmdLightMode;
    std::fill_n(payload.begin() + kPayloadResetFirst, kPayloadResetCount, kPayloadResetFill);
    return payload;
}

Payload EncodeWirelessResetEnd() { return SignaturePayload(); }

OutputReport EncodeReportFactoryReset() {
    OutputReport r{};
    r[0] = kOutputReportId;
    r[1] = kCmdReportReset;
    std::copy(std::begin(kReportResetArgs), std::end(kReportResetArgs), r.begin() + 2);
    return r;
}

bool FactoryReset(KeyboardCommandContext& ctx, int connectionMode) {
    bool sent = false;
    switch (CommandSetOf(ctx.deviceType)) {
    case CommandSet::Feature:
        if (connectionMode == kWiredMode) {
            sent = ctx.device.SendFeaturePaced(EncodeFactoryResetWired());
            ctx.pause(kResetSettlePause);
        } else {
            sent = ctx.device.WritePayload(EncodeFactoryResetWireless());
            ctx.pause(kWirelessResetPause);
            sent = ctx.device.WritePayload(EncodeWirelessResetEnd()) && sent;
        }
        break;
    case CommandSet::Report:
        sent = ctx.device.WriteReport(EncodeReportFactoryReset());
        ctx.pause(kResetSettlePause);
        break;
    case CommandSet::None: break;
    }
    return sent;
}

}  // namespace KeyForge
