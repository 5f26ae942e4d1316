// The settings store's opener on any file: a file it refuses is left byte for byte as
// it was, and a file it takes can be read through.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/posix/HiveRegistry.h"

namespace {

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvel::platform;
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("quorvel-fuzz-" + std::to_string(::getpid()) + ".db"))
                                        .string();
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) ::unlink((path + suffix).c_str());
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream(path, std::ios::binary) << bytes;
    {
        HiveRegistry hive(path, HiveRegistry::Mode::ExistingOnly, 0);
        if (!hive.ok()) {
            if (hive.error().empty() || Read(path) != bytes) std::abort();
            return 0;
        }
        RegKey key = 0;
        if (hive.OpenKey(kHkeyCurrentUser, "Software", key) == kErrorSuccess) {
            char name[256];
            std::uint32_t nameLen = sizeof name, type = 0, dataSize = 0;
            for (std::uint32_t i = 0; i < 64; ++i, nameLen = sizeof name)
                if (hive.EnumValue(key, i, name, &nameLen, &type, nullptr, &dataSize) ==
                    kErrorNoMoreItems)
                    break;
            hive.CloseKey(key);
        }
    }
    return 0;
}
