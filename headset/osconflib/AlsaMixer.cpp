// The mixer seam on ALSA's simple mixer interface.
#include "headset/osconflib/MixerSeam.h"

#include <alsa/asoundlib.h>

namespace pelan::osconf {
namespace {

class AlsaMixer : public MixerSeam {
public:
    explicit AlsaMixer(snd_mixer_t* mixer) : mixer_(mixer) {}
    ~AlsaMixer() override { snd_mixer_close(mixer_); }
    AlsaMixer(const AlsaMixer&) = delete;
    AlsaMixer& operator=(const AlsaMixer&) = delete;

    std::vector<std::string> elementNames() override {
        std::vector<std::string> names;
        for (snd_mixer_elem_t* element = snd_mixer_first_elem(mixer_); element != nullptr;
             element = snd_mixer_elem_next(element)) {
            if (snd_mixer_selem_is_active(element) && snd_mixer_selem_get_index(element) == 0)
                names.emplace_back(snd_mixer_selem_get_name(element));
        }
        return names;
    }

    bool hasVolume(const std::string& name, MixerDirection direction) override {
        snd_mixer_elem_t* element = find(name);
        if (element == nullptr)
            return false;
        return capture(direction) ? snd_mixer_selem_has_capture_volume(element) != 0
                                  : snd_mixer_selem_has_playback_volume(element) != 0;
    }

    bool hasSwitch(const std::string& name, MixerDirection direction) override {
        snd_mixer_elem_t* element = find(name);
        if (element == nullptr)
            return false;
        return capture(direction) ? snd_mixer_selem_has_capture_switch(element) != 0
                                  : snd_mixer_selem_has_playback_switch(element) != 0;
    }

    std::optional<VolumeRange> volumeRange(const std::string& name, MixerDirection direction) override {
        if (!hasVolume(name, direction))
            return std::nullopt;
        snd_mixer_elem_t* element = find(name);
        VolumeRange range;
        const bool read = capture(direction)
                              ? snd_mixer_selem_get_capture_volume_range(element, &range.min, &range.max) == 0 &&
                                    snd_mixer_selem_get_capture_dB_range(element, &range.minDb, &range.maxDb) == 0
                              : snd_mixer_selem_get_playback_volume_range(element, &range.min, &range.max) == 0 &&
                                    snd_mixer_selem_get_playback_dB_range(element, &range.minDb, &range.maxDb) == 0;
        return read && range.max > range.min ? std::optional<VolumeRange>(range) : std::nullopt;
    }

    std::optional<long> volume(const std::string& name, MixerDirection direction) override {
        if (!hasVolume(name, direction))
            return std::nullopt;
        long value = 0;
        const int result = capture(direction)
                               ? snd_mixer_selem_get_capture_volume(find(name), SND_MIXER_SCHN_FRONT_LEFT, &value)
                               : snd_mixer_selem_get_playback_volume(find(name), SND_MIXER_SCHN_FRONT_LEFT, &value);
        return result == 0 ? std::optional<long>(value) : std::nullopt;
    }

    std::optional<long> volumeDb(const std::string& name, MixerDirection direction) override {
        if (!hasVolume(name, direction))
            return std::nullopt;
        long value = 0;
        const int result = capture(direction)
                               ? snd_mixer_selem_get_capture_dB(find(name), SND_MIXER_SCHN_FRONT_LEFT, &value)
                               : snd_mixer_selem_get_playback_dB(find(name), SND_MIXER_SCHN_FRONT_LEFT, &value);
        return result == 0 ? std::optional<long>(value) : std::nullopt;
    }

    bool setVolume(const std::string& name, MixerDirection direction, long raw) override {
        if (!hasVolume(name, direction))
            return false;
        return capture(direction) ? snd_mixer_selem_set_capture_volume_all(find(name), raw) == 0
                                  : snd_mixer_selem_set_playback_volume_all(find(name), raw) == 0;
    }

    std::optional<bool> switchOn(const std::string& name, MixerDirection direction) override {
        if (!hasSwitch(name, direction))
            return std::nullopt;
        int value = 0;
        const int result = capture(direction)
                               ? snd_mixer_selem_get_capture_switch(find(name), SND_MIXER_SCHN_FRONT_LEFT, &value)
                               : snd_mixer_selem_get_playback_switch(find(name), SND_MIXER_SCHN_FRONT_LEFT, &value);
        return result == 0 ? std::optional<bool>(value != 0) : std::nullopt;
    }

    bool setSwitch(const std::string& name, MixerDirection direction, bool on) override {
        if (!hasSwitch(name, direction))
            return false;
        return capture(direction) ? snd_mixer_selem_set_capture_switch_all(find(name), on ? 1 : 0) == 0
                                  : snd_mixer_selem_set_playback_switch_all(find(name), on ? 1 : 0) == 0;
    }

private:
    static bool capture(MixerDirection direction) { return direction == MixerDirection::Capture; }

    snd_mixer_elem_t* find(const std::string& name) {
        snd_mixer_selem_id_t* id = nullptr;
        snd_mixer_selem_id_alloca(&id);
        snd_mixer_selem_id_set_index(id, 0);
        snd_mixer_selem_id_set_name(id, name.c_str());
        return snd_mixer_find_selem(mixer_, id);
    }

    snd_mixer_t* mixer_;
};

} // namespace

std::unique_ptr<MixerSeam> openAlsaMixer(int card) {
    snd_mixer_t* mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) != 0)
        return nullptr;
    const std::string device = "hw:" + std::to_string(card);
    if (snd_mixer_attach(mixer, device.c_str()) != 0 || snd_mixer_selem_register(mixer, nullptr, nullptr) != 0 ||
        snd_mixer_load(mixer) != 0) {
        snd_mixer_close(mixer);
        return nullptr;
    }
    return std::make_unique<AlsaMixer>(mixer);
}

} // namespace pelan::osconf
