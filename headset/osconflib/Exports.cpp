// The library's C exports. ConfLibInit chooses the backend: the simulated headset when PELAN_AUDIO_BACKEND is
// "simulated" (the program sets it when it runs with emulated devices), else the sound card through ALSA, with
// its cards looked up under PELAN_ASOUND_ROOT (default "/proc/asound"), and the equaliser through PipeWire.
#include "headset/OsConfLibAbi.h"
#include "headset/osconflib/AlsaBackend.h"
#include "headset/osconflib/SimulatedBackend.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <mutex>

namespace pelan::osconf {
namespace {

constexpr int kFailed = -1;
constexpr int kNotInitialised = -2;

struct Library {
    std::mutex lock;
    std::unique_ptr<PropertyStore> store;
    std::unique_ptr<ConfBackend> backend;
    std::vector<OsConfDevice> lists[2];
};

Library& library() {
    static Library instance;
    return instance;
}

std::string environment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : fallback;
}

std::unique_ptr<ConfBackend> makeBackend(PropertyStore& store) {
    if (environment("PELAN_AUDIO_BACKEND", "") == "simulated")
        return std::make_unique<SimulatedBackend>(store);
    return std::make_unique<AlsaBackend>(
        environment("PELAN_ASOUND_ROOT", "/proc/asound"), &openAlsaMixer, store,
        std::make_unique<PipeWireEqualiser>(PipeWireEqualiser::helperBesideLibrary()),
        std::make_unique<PipeWireMicrophone>(PipeWireEqualiser::helperBesideLibrary()));
}

// Property names are plain ASCII; anything else names no property.
std::optional<std::string> narrowName(const wchar_t* name) {
    if (name == nullptr)
        return std::nullopt;
    std::string narrow;
    for (const wchar_t* c = name; *c != L'\0'; ++c) {
        if (*c <= 0 || *c > 0x7E || narrow.size() > 64)
            return std::nullopt;
        narrow.push_back(char(*c));
    }
    return narrow;
}

bool putText(void* buffer, const std::string& text) {
    constexpr size_t kCapacity = OSCONF_VALUE_BUFFER_BYTES / sizeof(wchar_t);
    if (text.size() + 1 > kCapacity)
        return false;
    auto* out = static_cast<wchar_t*>(buffer);
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = wchar_t(static_cast<unsigned char>(text[i]));
    out[text.size()] = L'\0';
    return true;
}

double takeValue(const void* buffer, const std::string& name) {
    if (isScalarProperty(name)) {
        float scalar = 0;
        std::memcpy(&scalar, buffer, sizeof scalar);
        return double(scalar);
    }
    int32_t integer = 0;
    std::memcpy(&integer, buffer, sizeof integer);
    return double(integer);
}

} // namespace
} // namespace pelan::osconf

using namespace pelan::osconf;

extern "C" {

int ConfLibInit(void) {
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    lib.store = std::make_unique<PropertyStore>(PropertyStore::defaultPath());
    lib.store->reload();
    lib.backend = makeBackend(*lib.store);
    lib.lists[0].clear();
    lib.lists[1].clear();
    return 0;
}

int CreateDeviceList(void) {
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    if (!lib.backend)
        return kNotInitialised;
    lib.store->reload();
    lib.lists[0] = lib.backend->listDevices(0);
    lib.lists[1] = lib.backend->listDevices(1);
    return 0;
}

int GetDeviceCount(int list, int32_t* count) {
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    if (count == nullptr || (list != 0 && list != 1))
        return kFailed;
    *count = int32_t(lib.lists[list].size());
    return 0;
}

int GetDeviceById(int list, int index, OsConfDevice* device) {
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    if (device == nullptr || (list != 0 && list != 1) || index < 0 || size_t(index) >= lib.lists[list].size())
        return kFailed;
    *device = lib.lists[list][size_t(index)];
    return 0;
}

int PropertyControl(OsConfDevice device, const wchar_t* property, void** value, void** /*channel*/, int direction) {
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    const std::optional<std::string> name = narrowName(property);
    if (!lib.backend || !name || value == nullptr || *value == nullptr)
        return kFailed;
    if (direction == OSCONF_WRITE)
        return lib.backend->write(device, *name, takeValue(*value, *name)) ? 0 : kFailed;
    if (direction != OSCONF_READ)
        return kFailed;
    const std::optional<std::string> text = lib.backend->read(device, *name);
    return text && putText(*value, *text) ? 0 : kFailed;
}

int RegisterCallbackFunction(void* /*callback*/) {
    return 0;
}

int ConfLibUnInit(void) {
    Library& lib = library();
    std::lock_guard guard(lib.lock);
    lib.backend.reset();
    lib.store.reset();
    lib.lists[0].clear();
    lib.lists[1].clear();
    return 0;
}

int ShowAsioPanel(void) {
    return 0;
}

int PlayTestSound(void) {
    return 0;
}

int StopTestSound(void) {
    return 0;
}

int CloseTestSound(void) {
    return 0;
}

} // extern "C"
