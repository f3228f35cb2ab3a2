// The emulated keyboard: transfers in, replies and log out, misbehaviour on request.
#include "tools/keyforge-emu/EmulatedKeyboard.h"

#include <cerrno>
#include <cstdio>

namespace KeyForge::Emu {

namespace {

constexpr std::size_t kShortReplyBytes = 3;

const struct {
    Misbehaviour value;
    const char* name;
} kMisbehaviourNames[] = {
    {Misbehaviour::None, "none"},
    {Misbehaviour::ShortRead, "short-read"},
    {Misbehaviour::Error, "error"},
    {Misbehaviour::NoReply, "no-reply"},
    {Misbehaviour::LateReply, "late-reply"},
};

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

}  // namespace

const char* MisbehaviourName(Misbehaviour m) {
    for (const auto& n : kMisbehaviourNames)
        if (n.value == m) return n.name;
    return "none";
}

bool ParseMisbehaviour(const std::string& name, Misbehaviour& out) {
    for (const auto& n : kMisbehaviourNames) {
        if (name != n.name) continue;
        out = n.value;
        return true;
    }
    return false;
}

std::string HexBytes(std::span<const std::uint8_t> bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i) out += ' ';
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
    return out;
}

EmulatedKeyboard::EmulatedKeyboard(std::string name, int deviceType, std::vector<int> modes, int firmwareVersion)
    : m_name(std::move(name)), m_deviceType(deviceType), m_modes(std::move(modes)) {
    m_state.firmwareVersion = firmwareVersion;
}

void EmulatedKeyboard::Record(int mode, int number, const char* kind, std::span<const std::uint8_t> bytes) {
    m_log.push_back(std::to_string(mode) + " " + kind + " " + HexBytes(bytes));
    ++m_received;
    ++m_receivedOn[{mode, number}];
}

long EmulatedKeyboard::ReceivedOn(int mode, int number) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_receivedOn.find({mode, number});
    return it == m_receivedOn.end() ? 0 : it->second;
}

Response EmulatedKeyboard::HandleWrite(int mode, int number, std::span<const std::uint8_t> report) {
    std::lock_guard lock(m_mutex);
    Record(mode, number, "out", report);
    Response r;
    switch (m_misbehaviour) {
    case Misbehaviour::NoReply: r.reply = false; return r;
    case Misbehaviour::Error: r.result = -EIO; return r;
    case Misbehaviour::ShortRead: r.result = static_cast<int>(report.size() / 2); return r;
    case Misbehaviour::LateReply: r.late = true; break;
    case Misbehaviour::None: break;
    }
    DecodeOutputCommand(m_state, report);
    r.result = static_cast<int>(report.size());
    return r;
}

Response EmulatedKeyboard::HandleSetFeature(int mode, int number, std::span<const std::uint8_t> report) {
    std::lock_guard lock(m_mutex);
    Record(mode, number, "set-feature", report);
    Response r;
    switch (m_misbehaviour) {
    case Misbehaviour::NoReply: r.reply = false; return r;
    case Misbehaviour::Error: r.result = -EIO; return r;
    case Misbehaviour::LateReply: r.late = true; break;
    case Misbehaviour::ShortRead:
    case Misbehaviour::None: break;
    }
    DecodeFeatureCommand(m_state, report);
    r.result = 0;
    return r;
}

Response EmulatedKeyboard::HandleGetFeature(int mode, int number, std::span<const std::uint8_t> request) {
    std::lock_guard lock(m_mutex);
    Record(mode, number, "get-feature", request);
    Response r;
    if (m_misbehaviour == Misbehaviour::NoReply) {
        r.reply = false;
        return r;
    }
    if (m_misbehaviour == Misbehaviour::Error) {
        r.result = -EIO;
        return r;
    }
    if (!m_state.pendingReplies.empty()) {
        r.data = std::move(m_state.pendingReplies.front());
        m_state.pendingReplies.pop_front();
    } else {
        // Nothing asked for: the report ID and zeros.
        r.data.assign(request.size(), 0);
        if (!request.empty()) r.data[0] = request[0];
    }
    if (r.data.size() > request.size()) r.data.resize(request.size());
    if (m_misbehaviour == Misbehaviour::ShortRead && r.data.size() > kShortReplyBytes) r.data.resize(kShortReplyBytes);
    r.late = m_misbehaviour == Misbehaviour::LateReply;
    r.result = static_cast<int>(r.data.size());
    return r;
}

std::vector<std::string> EmulatedKeyboard::Log() const {
    std::lock_guard lock(m_mutex);
    return m_log;
}

void EmulatedKeyboard::ClearLog() {
    std::lock_guard lock(m_mutex);
    m_log.clear();
}

void EmulatedKeyboard::SetMisbehaviour(Misbehaviour m) {
    std::lock_guard lock(m_mutex);
    m_misbehaviour = m;
}

Misbehaviour EmulatedKeyboard::GetMisbehaviour() const {
    std::lock_guard lock(m_mutex);
    return m_misbehaviour;
}

KeyboardState EmulatedKeyboard::State() const {
    std::lock_guard lock(m_mutex);
    return m_state;
}

std::string EmulatedKeyboard::StateJson() const {
    std::lock_guard lock(m_mutex);
    char version[16];
    std::snprintf(version, sizeof version, "0x%04X", m_state.firmwareVersion & 0xFFFF);
    std::string json = "{\n";
    json += "  \"keyboard\": " + JsonString(m_name) + ",\n";
    json += "  \"device_type\": " + std::to_string(m_deviceType) + ",\n";
    json += "  \"modes\": [";
    for (std::size_t i = 0; i < m_modes.size(); ++i) json += (i ? ", " : "") + std::to_string(m_modes[i]);
    json += "],\n";
    json += "  \"firmware\": \"" + std::string(version) + "\",\n";
    json += "  \"misbehave\": \"" + std::string(MisbehaviourName(m_misbehaviour)) + "\",\n";
    json += "  \"macro_slots\": [";
    for (int i = 0; i < kMacroSlots; ++i) json += (i ? ", " : "") + std::to_string(m_state.macroSlots[i]);
    json += "],\n";
    json += "  \"key_slots\": [";
    for (int i = 0; i < kKeySlots; ++i) {
        json += i ? ", " : "";
        json += "{\"key\": " + std::to_string(m_state.keySlots[i].key) +
                ", \"function\": " + std::to_string(m_state.keySlots[i].function) + "}";
    }
    json += "],\n";
    json += "  \"pending_replies\": " + std::to_string(m_state.pendingReplies.size()) + ",\n";
    json += "  \"unknown_commands\": " + std::to_string(m_state.unknownCommands) + ",\n";
    json += "  \"reports_received\": " + std::to_string(m_received) + ",\n";
    json += "  \"reports_by_interface\": {";
    bool first = true;
    for (const auto& [where, count] : m_receivedOn) {
        char key[32];
        std::snprintf(key, sizeof key, "\"%d MI_%02X\": ", where.first, where.second);
        json += (first ? "" : ", ") + std::string(key) + std::to_string(count);
        first = false;
    }
    json += "}\n";
    json += "}\n";
    return json;
}

}  // namespace KeyForge::Emu
