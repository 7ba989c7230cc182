// The settings store reading a file of the input's content: typed reads,
// the names, and one write (which saves the file back, or must not).

#include "util/registry.h"
#include "util/sysutil.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string gFolder;

void RemoveFolder()
{
    std::filesystem::remove_all(gFolder);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (gFolder.empty()) {
        char pattern[] = "/tmp/zt-fuzz-registry-XXXXXX";
        gFolder = ::mkdtemp(pattern);
        std::atexit(RemoveFolder);
        ::setenv("ZT_REGISTRY", (gFolder + "/registry.json").c_str(), 1);
    }
    const std::string path = gFolder + "/registry.json";
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    try {
        TRegistry registry;
        if (registry.OpenKey("\\Software\\Selvar\\RAZevedavureva\\ChanelSetup", false)) {
            for (const std::string& name : registry.GetValueNames()) {
                registry.ReadIntegerDef(name, 0);
                registry.ReadStringDef(name, "");
                registry.GetDataType(name);
            }
            registry.WriteInteger("CurentChanel", 1);
        }
        TRegistry::LoadProblem();
    } catch (const Exception&) {
    }
    // Files put aside as corrupt pile up otherwise.
    for (const auto& entry : std::filesystem::directory_iterator(gFolder))
        if (entry.path() != path)
            std::filesystem::remove(entry.path());
    return 0;
}
