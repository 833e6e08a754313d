// Restores arbitrary bytes as a clipboard content file onto the simulated
// clipboard, then reads every format back as another program would.
#include "clipboard/CoolClipboardComponent.h"
#include "platform/sim/simulator.h"
#include "toolkit/Forms.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file = "/dev/shm/stashwell-fuzz-" + std::to_string(getpid()) + ".cbd";
    sim::Reset();
    {
        std::FILE* out = std::fopen(file.c_str(), "wb");
        if (!out)
            return 0;
        std::fwrite(data, 1, size, out);
        std::fclose(out);
    }
    tk::TApplication application;
    application.SetTitle("fuzz");
    application.Initialize();
    TCoolClipboardComponent store(&application);
    try {
        store.LoadFromFile(file);
    } catch (const tk::Exception&) {
        // malformed files end in the store's messages
    }
    sim::ReadClipboard();
    if (sim::ClipboardOpenTask() != 0 || sim::LockedMemoryBlocks() != 0 ||
        !sim::Violations().empty())
        __builtin_trap();
    return 0;
}
