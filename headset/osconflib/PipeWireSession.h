#pragma once

#include "headset/EqPresets.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct pw_main_loop;
struct pw_context;
struct pw_core;
struct pw_registry;
struct spa_dict;
struct pw_metadata;

namespace pelan::osconf {

// A node of the PipeWire graph as the registry announces it.
struct GraphNode {
    uint32_t id = 0;
    std::string name;
    std::string mediaClass;
    std::string alsaCard; // "api.alsa.card", "" for a node that is no ALSA device
};

// One short connection to the user's PipeWire daemon: each call runs the loop until the daemon has answered.
class PipeWireSession {
public:
    PipeWireSession();
    ~PipeWireSession();
    PipeWireSession(const PipeWireSession&) = delete;
    PipeWireSession& operator=(const PipeWireSession&) = delete;

    // False when no daemon answers; every other call then fails.
    bool connected() const { return core_ != nullptr; }
    const std::vector<GraphNode>& nodes() const { return nodes_; }
    std::optional<GraphNode> node(const std::string& name) const;

    // Sets the filter-chain node's band gains (dB).
    bool setBandGains(uint32_t node, const EqCurve& gains);
    // Sets controls of a filter-chain node by name ("stage:Control").
    bool setControls(uint32_t node, const std::vector<std::pair<std::string, float>>& controls);
    // The session manager's default sink (its node name), and the user's choice of it as the session manager keeps
    // it.
    std::optional<std::string> defaultSink();
    bool chooseDefaultSink(const std::string& name);
    // The same for the default source.
    std::optional<std::string> defaultSource();
    bool chooseDefaultSource(const std::string& name);
    bool destroy(uint32_t node);
    // A property of the node's own (also one the registry does not announce), "" when it has none.
    std::string nodeProperty(uint32_t node, const char* key);
    // Waits until a node of that name is announced, at most for the time-out.
    bool waitForNode(const std::string& name, std::chrono::milliseconds timeout);

    // Registry and core callbacks.
    void added(uint32_t id, const char* type, const spa_dict* props);
    void removed(uint32_t id);
    void done(uint32_t id, int seq);
    // The connection broke: stop waiting, fail from now on.
    void lost();
    void metadataProperty(uint32_t subject, const char* key, const char* value);

private:
    bool roundtrip();
    // The "default" metadata object bound for one call; null without one.
    struct pw_metadata* bindDefaults();
    // The node named by a key of the "default" metadata, and the user's choice under a key.
    std::optional<std::string> defaultNode(const char* key);
    bool chooseDefault(const char* key, const std::string& name);

    pw_main_loop* loop_ = nullptr;
    pw_context* context_ = nullptr;
    pw_core* core_ = nullptr;
    pw_registry* registry_ = nullptr;
    struct Hooks;
    std::unique_ptr<Hooks> hooks_;
    std::vector<GraphNode> nodes_;
    int pendingSeq_ = -1;
    std::string awaited_;
    std::optional<uint32_t> defaults_;
    std::string wantedDefault_;
    std::optional<std::string> defaultNode_;
    bool failed_ = false;
};

} // namespace pelan::osconf
