#include "platform/MemoryStatus.h"

#include <fstream>
#include <sstream>

namespace pix {

uint64_t AvailableMemoryFrom(const std::string& meminfo)
{
    std::istringstream in(meminfo);
    std::string line;
    uint64_t total = 0;
    while (std::getline(in, line)) {
        for (const char* field : {"MemAvailable:", "SwapFree:"}) {
            const std::string name(field);
            if (line.compare(0, name.size(), name) != 0)
                continue;
            std::istringstream value(line.substr(name.size()));
            uint64_t kib = 0;
            if (value >> kib)
                total += kib * 1024;
        }
    }
    return total;
}

uint64_t AvailableMemory()
{
    std::ifstream file("/proc/meminfo");
    if (!file)
        return 0;
    std::ostringstream text;
    text << file.rdbuf();
    return AvailableMemoryFrom(text.str());
}

}  // namespace pix
