// libFuzzer target over the import path of both exchange formats: any bytes as a
// profile or macro file, read and imported into a real store in a temporary folder.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/store/DataStore.h"
#include "app/store/ExchangeFiles.h"

namespace {

struct FuzzStore {
    FuzzStore() {
        char templ[] = "/tmp/kffuzz.XXXXXX";
        folder = ::mkdtemp(templ);
        std::filesystem::create_directories(folder + "/db");
        file = folder + "/input.xml";
        Reopen();
    }
    ~FuzzStore() {
        store.CloseStore();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    // A fresh store now and then keeps the file small over long runs.
    void Reopen() {
        store.DeleteDeviceStore(folder + "/", "Fuzz");
        store.OpenDeviceStore(folder + "/", "Fuzz");
    }
    std::string folder, file;
    KeyForge::DataStore store;
    unsigned runs = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzStore fuzz;
    if (++fuzz.runs % 2000 == 0) fuzz.Reopen();
    {
        std::ofstream out(fuzz.file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    KeyForge::FixedPathDialog dialog(fuzz.file);
    // Both readers see every input; the root element decides which one accepts it.
    KeyForge::ImportProfile(fuzz.store, dialog);
    KeyForge::ImportMacro(fuzz.store, dialog);
    return 0;
}
