// Feeds arbitrary bytes to the device file reader. A file it takes must read back the same after it is written
// again, and must give a udev rule.
#include "device/DeviceFiles.h"
#include "device/UdevRule.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<pelan::DeviceFile> file = pelan::parseDeviceFile(text, error);
    if (!file)
        return 0;
    const std::optional<pelan::DeviceFile> again = pelan::parseDeviceFile(pelan::formatDeviceFile(*file), error);
    // A name with a line break cannot be read, so it cannot come out of a file either.
    if (!again || again->rows.size() != file->rows.size() || again->kind != file->kind)
        std::abort();
    pelan::KnownDeviceTable table;
    for (size_t i = 0; i < file->rows.size(); ++i) {
        if (!pelan::sameTableRow(again->rows[i], file->rows[i]))
            std::abort();
        table.push_back({file->rows[i], file->name, "fuzz"});
    }
    if (pelan::udevRule(table).empty())
        std::abort();
    return 0;
}
