// Configuration files from the input: opened as the program opens them,
// every section read as the pages read it, then the document written back
// to text.

#include "pages/configuration.h"
#include "util/sysutil.h"

#include <cstdio>
#include <exception>
#include <string>

#include <unistd.h>

using namespace ZT_Pages;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/zt-fuzz-configuration-" + std::to_string(::getpid()) + ".xml";
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    } else {
        return 0;
    }
    try {
        TRootConfiguration root(path, kConfigurationRoot);
        ReadIdentificationSection(root.ChildNodeByName(kIdentificationSection));
        ReadCalibrationSection(root.ChildNodeByName(kCalibrationSection));
        ReadOutputSection(root.ChildNodeByName(kOutputSetupSection));
        ReadWorkSetupSection(root.ChildNodeByName(kWorkSetupSection));
        root.Text();
    } catch (const std::exception&) {
    }
    return 0;
}
