#include "headset/osconflib/PipeWireSession.h"

#include "headset/osconflib/EqualiserGraph.h"

#include <pipewire/extensions/metadata.h>
#include <pipewire/pipewire.h>
#include <spa/param/props.h>
#include <spa/pod/builder.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

namespace pelan::osconf {
namespace {

std::string property(const spa_dict* props, const char* key) {
    const char* value = props != nullptr ? spa_dict_lookup(props, key) : nullptr;
    return value != nullptr ? value : "";
}

void onGlobal(void* data, uint32_t id, uint32_t /*permissions*/, const char* type, uint32_t /*version*/,
              const spa_dict* props) {
    static_cast<PipeWireSession*>(data)->added(id, type, props);
}

void onGlobalRemove(void* data, uint32_t id) {
    static_cast<PipeWireSession*>(data)->removed(id);
}

void onDone(void* data, uint32_t id, int seq) {
    static_cast<PipeWireSession*>(data)->done(id, seq);
}

pw_registry_events registryEvents() {
    pw_registry_events events{};
    events.version = PW_VERSION_REGISTRY_EVENTS;
    events.global = onGlobal;
    events.global_remove = onGlobalRemove;
    return events;
}

pw_core_events coreEvents() {
    pw_core_events events{};
    events.version = PW_VERSION_CORE_EVENTS;
    events.done = onDone;
    events.error = [](void* data, uint32_t id, int /*seq*/, int /*res*/, const char* /*message*/) {
        // An error on the core itself means the connection is gone: stop waiting.
        if (id == PW_ID_CORE)
            static_cast<PipeWireSession*>(data)->lost();
    };
    return events;
}

pw_metadata_events metadataEvents() {
    pw_metadata_events events{};
    events.version = PW_VERSION_METADATA_EVENTS;
    events.property = [](void* data, uint32_t subject, const char* key, const char* /*type*/, const char* value) {
        static_cast<PipeWireSession*>(data)->metadataProperty(subject, key, value);
        return 0;
    };
    return events;
}

// The node name in a metadata value such as {"name":"alsa_output.usb-..."}.
std::optional<std::string> nameInJson(const char* value) {
    const std::string text = value != nullptr ? value : "";
    const size_t key = text.find("\"name\"");
    const size_t open = key == std::string::npos ? key : text.find('"', text.find(':', key));
    const size_t close = open == std::string::npos ? open : text.find('"', open + 1);
    if (close == std::string::npos)
        return std::nullopt;
    return text.substr(open + 1, close - open - 1);
}

constexpr const char* kDefaultSinkKey = "default.audio.sink";
constexpr const char* kConfiguredSinkKey = "default.configured.audio.sink";
constexpr const char* kDefaultSourceKey = "default.audio.source";
constexpr const char* kConfiguredSourceKey = "default.configured.audio.source";

const pw_registry_events kRegistryEvents = registryEvents();
const pw_metadata_events kMetadataEvents = metadataEvents();
const pw_core_events kCoreEvents = coreEvents();

} // namespace

struct PipeWireSession::Hooks {
    spa_hook core{};
    spa_hook registry{};
};

PipeWireSession::PipeWireSession() : hooks_(std::make_unique<Hooks>()) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { pw_init(nullptr, nullptr); });
    loop_ = pw_main_loop_new(nullptr);
    if (loop_ == nullptr)
        return;
    context_ = pw_context_new(pw_main_loop_get_loop(loop_), nullptr, 0);
    if (context_ == nullptr)
        return;
    core_ = pw_context_connect(context_, nullptr, 0);
    if (core_ == nullptr)
        return;
    pw_core_add_listener(core_, &hooks_->core, &kCoreEvents, this);
    registry_ = pw_core_get_registry(core_, PW_VERSION_REGISTRY, 0);
    pw_registry_add_listener(registry_, &hooks_->registry, &kRegistryEvents, this);
    if (!roundtrip()) {
        spa_hook_remove(&hooks_->registry);
        pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry_));
        registry_ = nullptr;
        spa_hook_remove(&hooks_->core);
        pw_core_disconnect(core_);
        core_ = nullptr;
    }
}

PipeWireSession::~PipeWireSession() {
    if (registry_ != nullptr) {
        spa_hook_remove(&hooks_->registry);
        pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry_));
    }
    if (core_ != nullptr) {
        spa_hook_remove(&hooks_->core);
        pw_core_disconnect(core_);
    }
    if (context_ != nullptr)
        pw_context_destroy(context_);
    if (loop_ != nullptr)
        pw_main_loop_destroy(loop_);
}

void PipeWireSession::added(uint32_t id, const char* type, const spa_dict* props) {
    if (std::strcmp(type, PW_TYPE_INTERFACE_Metadata) == 0 && property(props, PW_KEY_METADATA_NAME) == "default")
        defaults_ = id;
    if (std::strcmp(type, PW_TYPE_INTERFACE_Node) != 0)
        return;
    GraphNode node{id, property(props, PW_KEY_NODE_NAME), property(props, PW_KEY_MEDIA_CLASS),
                   property(props, "api.alsa.card")};
    if (!awaited_.empty() && node.name == awaited_)
        pw_main_loop_quit(loop_);
    nodes_.push_back(std::move(node));
}

void PipeWireSession::removed(uint32_t id) {
    std::erase_if(nodes_, [id](const GraphNode& node) { return node.id == id; });
}

void PipeWireSession::done(uint32_t id, int seq) {
    if (id != PW_ID_CORE)
        return;
    if (seq == pendingSeq_)
        pw_main_loop_quit(loop_);
}

void PipeWireSession::lost() {
    failed_ = true;
    pw_main_loop_quit(loop_);
}

bool PipeWireSession::roundtrip() {
    if (core_ == nullptr || failed_)
        return false;
    pendingSeq_ = pw_core_sync(core_, PW_ID_CORE, 0);
    pw_main_loop_run(loop_);
    return !failed_;
}

std::optional<GraphNode> PipeWireSession::node(const std::string& name) const {
    const auto found =
        std::find_if(nodes_.begin(), nodes_.end(), [&name](const GraphNode& node) { return node.name == name; });
    return found != nodes_.end() ? std::optional<GraphNode>(*found) : std::nullopt;
}

bool PipeWireSession::setBandGains(uint32_t id, const EqCurve& gains) {
    std::vector<std::pair<std::string, float>> controls;
    for (int band = 0; band < int(gains.size()); ++band) {
        const float gain = float(std::clamp(gains[size_t(band)], -kMaxBandGainDb, kMaxBandGainDb));
        for (const std::string& control : bandGainControls(band))
            controls.emplace_back(control, gain);
    }
    return setControls(id, controls);
}

bool PipeWireSession::setControls(uint32_t id, const std::vector<std::pair<std::string, float>>& controls) {
    if (registry_ == nullptr)
        return false;
    auto* proxy = static_cast<pw_node*>(pw_registry_bind(registry_, id, PW_TYPE_INTERFACE_Node, PW_VERSION_NODE, 0));
    if (proxy == nullptr)
        return false;
    std::array<uint8_t, 4096> buffer{};
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, buffer.data(), uint32_t(buffer.size()));
    spa_pod_frame object{};
    spa_pod_frame list{};
    spa_pod_builder_push_object(&builder, &object, SPA_TYPE_OBJECT_Props, SPA_PARAM_Props);
    spa_pod_builder_prop(&builder, SPA_PROP_params, 0);
    spa_pod_builder_push_struct(&builder, &list);
    for (const auto& [name, value] : controls) {
        spa_pod_builder_string(&builder, name.c_str());
        spa_pod_builder_float(&builder, value);
    }
    spa_pod_builder_pop(&builder, &list);
    auto* param = static_cast<spa_pod*>(spa_pod_builder_pop(&builder, &object));
    const int result = param != nullptr ? pw_node_set_param(proxy, SPA_PARAM_Props, 0, param) : -1;
    const bool answered = roundtrip();
    pw_proxy_destroy(reinterpret_cast<pw_proxy*>(proxy));
    return result >= 0 && answered;
}

void PipeWireSession::metadataProperty(uint32_t subject, const char* key, const char* value) {
    if (subject == PW_ID_CORE && key != nullptr && key == wantedDefault_)
        defaultNode_ = nameInJson(value);
}

pw_metadata* PipeWireSession::bindDefaults() {
    if (registry_ == nullptr || !defaults_)
        return nullptr;
    return static_cast<pw_metadata*>(
        pw_registry_bind(registry_, *defaults_, PW_TYPE_INTERFACE_Metadata, PW_VERSION_METADATA, 0));
}

std::optional<std::string> PipeWireSession::defaultSink() {
    return defaultNode(kDefaultSinkKey);
}

bool PipeWireSession::chooseDefaultSink(const std::string& name) {
    return chooseDefault(kConfiguredSinkKey, name);
}

std::optional<std::string> PipeWireSession::defaultSource() {
    return defaultNode(kDefaultSourceKey);
}

bool PipeWireSession::chooseDefaultSource(const std::string& name) {
    return chooseDefault(kConfiguredSourceKey, name);
}

std::optional<std::string> PipeWireSession::defaultNode(const char* key) {
    pw_metadata* metadata = bindDefaults();
    if (metadata == nullptr)
        return std::nullopt;
    // Binding replays every property to the listener.
    spa_hook listener{};
    defaultNode_.reset();
    wantedDefault_ = key;
    pw_metadata_add_listener(metadata, &listener, &kMetadataEvents, this);
    roundtrip();
    spa_hook_remove(&listener);
    pw_proxy_destroy(reinterpret_cast<pw_proxy*>(metadata));
    return defaultNode_;
}

bool PipeWireSession::chooseDefault(const char* key, const std::string& name) {
    pw_metadata* metadata = bindDefaults();
    if (metadata == nullptr)
        return false;
    const std::string value = "{ \"name\": \"" + name + "\" }";
    pw_metadata_set_property(metadata, PW_ID_CORE, key, "Spa:String:JSON", value.c_str());
    const bool answered = roundtrip();
    pw_proxy_destroy(reinterpret_cast<pw_proxy*>(metadata));
    return answered;
}

std::string PipeWireSession::nodeProperty(uint32_t id, const char* key) {
    if (registry_ == nullptr)
        return {};
    auto* proxy = static_cast<pw_node*>(pw_registry_bind(registry_, id, PW_TYPE_INTERFACE_Node, PW_VERSION_NODE, 0));
    if (proxy == nullptr)
        return {};
    // The registry announces only a few well-known properties; the node's info, sent on binding, has them all.
    struct Wanted {
        const char* key;
        std::string value;
    } wanted{key, {}};
    pw_node_events events{};
    events.version = PW_VERSION_NODE_EVENTS;
    events.info = [](void* data, const pw_node_info* info) {
        auto* into = static_cast<Wanted*>(data);
        into->value = property(info->props, into->key);
    };
    spa_hook listener{};
    pw_node_add_listener(proxy, &listener, &events, &wanted);
    roundtrip();
    spa_hook_remove(&listener);
    pw_proxy_destroy(reinterpret_cast<pw_proxy*>(proxy));
    return wanted.value;
}

bool PipeWireSession::destroy(uint32_t id) {
    if (registry_ == nullptr)
        return false;
    pw_registry_destroy(registry_, id);
    return roundtrip();
}

bool PipeWireSession::waitForNode(const std::string& name, std::chrono::milliseconds timeout) {
    if (node(name))
        return true;
    if (registry_ == nullptr)
        return false;
    awaited_ = name;
    pw_loop* loop = pw_main_loop_get_loop(loop_);
    spa_source* timer = pw_loop_add_timer(
        loop, [](void* data, uint64_t) { pw_main_loop_quit(static_cast<pw_main_loop*>(data)); }, loop_);
    timespec value{};
    value.tv_sec = timeout.count() / 1000;
    value.tv_nsec = long(timeout.count() % 1000) * 1000000L;
    pw_loop_update_timer(loop, timer, &value, nullptr, false);
    pw_main_loop_run(loop_);
    pw_loop_destroy_source(loop, timer);
    awaited_.clear();
    return node(name).has_value();
}

} // namespace pelan::osconf
