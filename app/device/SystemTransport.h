// The transport the program uses: the keyboards on hidraw and the emulated keyboards,
// listed side by side; an interface path tells which backend opens it.
#pragma once

#include <memory>
#include <vector>

#include "app/device/HidTransport.h"

namespace KeyForge {

/// Lists the interfaces of several backends in turn; Open asks each until one succeeds
/// on a path it owns.
class CompositeTransport : public HidTransport {
public:
    /// Adds a backend (owned).
    void Add(std::unique_ptr<HidTransport> backend);
    HidInterfaceList Enumerate() override;
    std::unique_ptr<HidConnection> Open(const std::string& path, std::string& error) override;

private:
    std::vector<std::unique_ptr<HidTransport>> m_backends;
};

/// The process-wide system transport: hidraw, then the emulator backend.
HidTransport& SystemHidTransport();

}  // namespace KeyForge
