// pelan-equaliser: keeps the headset equaliser's filter in the user's PipeWire graph after the program that started
// it has ended. It loads PipeWire's filter-chain module with the arguments it is given and ends when the filter goes
// (switched off, the daemon gone).
#include <pipewire/impl.h>
#include <pipewire/pipewire.h>

#include <cstdio>

namespace {

void quit(void* loop) {
    pw_main_loop_quit(static_cast<pw_main_loop*>(loop));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pelan-equaliser FILTER-CHAIN-ARGUMENTS\n");
        return 2;
    }
    pw_init(&argc, &argv);
    pw_main_loop* loop = pw_main_loop_new(nullptr);
    pw_context* context = loop != nullptr ? pw_context_new(pw_main_loop_get_loop(loop), nullptr, 0) : nullptr;
    pw_impl_module* module = context != nullptr
                                 ? pw_context_load_module(context, "libpipewire-module-filter-chain", argv[1], nullptr)
                                 : nullptr;
    int status = 1;
    if (module != nullptr) {
        pw_impl_module_events events{};
        events.version = PW_VERSION_IMPL_MODULE_EVENTS;
        events.destroy = quit;
        spa_hook listener{};
        pw_impl_module_add_listener(module, &listener, &events, loop);
        pw_main_loop_run(loop);
        status = 0;
    } else {
        std::fprintf(stderr, "pelan-equaliser: the filter could not be loaded\n");
    }
    if (context != nullptr)
        pw_context_destroy(context);
    if (loop != nullptr)
        pw_main_loop_destroy(loop);
    pw_deinit();
    return status;
}
