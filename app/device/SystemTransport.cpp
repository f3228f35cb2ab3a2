// The system transport: hidraw and emulated keyboards behind one HidTransport.
#include "app/device/SystemTransport.h"

#include "app/device/emulated/EmulatorTransport.h"
#include "app/device/linux/HidapiTransport.h"

namespace KeyForge {

void CompositeTransport::Add(std::unique_ptr<HidTransport> backend) { m_backends.push_back(std::move(backend)); }

HidInterfaceList CompositeTransport::Enumerate() {
    HidInterfaceList all;
    for (auto& backend : m_backends) {
        HidInterfaceList part = backend->Enumerate();
        all.insert(all.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
    }
    return all;
}

std::unique_ptr<HidConnection> CompositeTransport::Open(const std::string& path, std::string& error) {
    error = "no such interface: " + path;
    for (auto& backend : m_backends) {
        std::string backendError;
        if (auto connection = backend->Open(path, backendError)) return connection;
        // A backend that does not own the path leaves the error empty.
        if (!backendError.empty()) error = backendError;
    }
    return nullptr;
}

HidTransport& SystemHidTransport() {
    static CompositeTransport* transport = [] {
        auto* t = new CompositeTransport;
        t->Add(std::make_unique<HidapiTransport>());
        t->Add(std::make_unique<EmulatorTransport>());
        return t;
    }();
    return *transport;
}

}  // namespace KeyForge
