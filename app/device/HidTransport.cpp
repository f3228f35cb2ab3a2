// The framing rules shared by every HID backend: output padding, whole-report checks
// and the failure text kept on each connection.
#include "app/device/HidTransport.h"

#include <algorithm>

namespace KeyForge {

std::string HidConnection::ErrorText() const {
    std::lock_guard lock(m_errorMutex);
    return m_error;
}

void HidConnection::SetError(std::string text) {
    // Only the first line: system messages may carry a second line of advice.
    if (const auto cut = text.find_first_of("\r\n"); cut != std::string::npos) text.resize(cut);
    std::lock_guard lock(m_errorMutex);
    m_error = std::move(text);
}

HidInterfaceList EnumerateHid(HidTransport& transport) { return transport.Enumerate(); }

void FreeHidList(HidInterfaceList& list) {
    list.clear();
    list.shrink_to_fit();
}

std::unique_ptr<HidConnection> OpenHidPath(HidTransport& transport, const std::string& path) {
    std::string error;
    return transport.Open(path, error);
}

void CloseHid(std::unique_ptr<HidConnection>& connection) { connection.reset(); }

int WriteOutputReport(HidConnection& connection, const OutputReport& report) {
    const std::size_t length = connection.OutputReportLength();
    int written;
    std::size_t expected = report.size();
    if (length > report.size()) {
        // Interfaces with longer reports take the 65 bytes followed by zeros.
        std::vector<std::uint8_t> padded(length, 0);
        std::copy(report.begin(), report.end(), padded.begin());
        expected = length;
        written = connection.RawWrite(padded);
    } else {
        written = connection.RawWrite(report);
    }
    if (written < 0) return -1;
    if (static_cast<std::size_t>(written) < expected) {
        connection.SetError("short write: " + std::to_string(written) + " of " + std::to_string(expected) +
                            " bytes");
        return -1;
    }
    return written;
}

bool SetFeatureReport(HidConnection& connection, const FeatureReport& report) {
    return connection.RawSetFeature(report);
}

int GetFeatureReport(HidConnection& connection, FeatureReport& buffer) {
    FeatureReport reply = buffer;
    const int got = connection.RawGetFeature(reply);
    if (got < 0) return -1;
    if (static_cast<std::size_t>(got) < reply.size()) {
        connection.SetError("short feature report: " + std::to_string(got) + " of " +
                            std::to_string(reply.size()) + " bytes");
        return -1;
    }
    buffer = reply;
    return static_cast<int>(reply.size());
}

std::string HidErrorText(const HidConnection& connection) { return connection.ErrorText(); }

}  // namespace KeyForge
