// pelan-equaliser: keeps the headset's PipeWire filters (the equaliser's, the microphone's) in the user's graph after
// the program that started them has ended. It loads the modules it is given, PipeWire's filter-chain module with
// the one argument, or each MODULE with its ARGUMENTS, and ends when one of them goes (switched off, the daemon
// gone).
#include <pipewire/impl.h>
#include <pipewire/pipewire.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The modules it loads: those of the headset's filters, nothing else.
bool allowedModule(const char* name) {
    return std::strcmp(name, "libpipewire-module-filter-chain") == 0 ||
           std::strcmp(name, "libpipewire-module-echo-cancel") == 0;
}

void quit(void* loop) {
    pw_main_loop_quit(static_cast<pw_main_loop*>(loop));
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::pair<const char*, const char*>> modules;
    if (argc == 2)
        modules.emplace_back("libpipewire-module-filter-chain", argv[1]);
    for (int i = 1; argc > 2 && i + 1 < argc && argc % 2 == 1; i += 2) {
        if (allowedModule(argv[i]))
            modules.emplace_back(argv[i], argv[i + 1]);
    }
    if (modules.empty() || (argc > 2 && modules.size() != size_t(argc - 1) / 2)) {
        std::fprintf(stderr, "usage: pelan-equaliser FILTER-CHAIN-ARGUMENTS | pelan-equaliser MODULE ARGUMENTS...\n");
        return 2;
    }
    pw_init(&argc, &argv);
    pw_main_loop* loop = pw_main_loop_new(nullptr);
    pw_context* context = loop != nullptr ? pw_context_new(pw_main_loop_get_loop(loop), nullptr, 0) : nullptr;
    std::vector<spa_hook> listeners(modules.size());
    pw_impl_module_events events{};
    events.version = PW_VERSION_IMPL_MODULE_EVENTS;
    events.destroy = quit;
    bool loaded = context != nullptr;
    for (size_t i = 0; loaded && i < modules.size(); ++i) {
        pw_impl_module* module = pw_context_load_module(context, modules[i].first, modules[i].second, nullptr);
        loaded = module != nullptr;
        if (loaded)
            pw_impl_module_add_listener(module, &listeners[i], &events, loop);
    }
    if (loaded)
        pw_main_loop_run(loop);
    else
        std::fprintf(stderr, "pelan-equaliser: a filter could not be loaded\n");
    if (context != nullptr)
        pw_context_destroy(context);
    if (loop != nullptr)
        pw_main_loop_destroy(loop);
    pw_deinit();
    return loaded ? 0 : 1;
}
