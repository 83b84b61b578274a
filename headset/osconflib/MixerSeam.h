#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pelan::osconf {

enum class MixerDirection { Playback, Capture };

// A volume control's raw steps and the dB values at both ends, in hundredths of a dB as ALSA gives them.
struct VolumeRange {
    long min = 0;
    long max = 0;
    long minDb = 0;
    long maxDb = 0;
};

// The simple mixer controls of one sound card: what the ALSA backend needs of them. The library opens the card's
// mixer through ALSA; tests hand the backend a mixer of their own.
class MixerSeam {
public:
    virtual ~MixerSeam() = default;
    virtual std::vector<std::string> elementNames() = 0;
    virtual bool hasVolume(const std::string& element, MixerDirection direction) = 0;
    virtual bool hasSwitch(const std::string& element, MixerDirection direction) = 0;
    virtual std::optional<VolumeRange> volumeRange(const std::string& element, MixerDirection direction) = 0;
    virtual std::optional<long> volume(const std::string& element, MixerDirection direction) = 0;
    virtual std::optional<long> volumeDb(const std::string& element, MixerDirection direction) = 0;
    virtual bool setVolume(const std::string& element, MixerDirection direction, long raw) = 0;
    virtual std::optional<bool> switchOn(const std::string& element, MixerDirection direction) = 0;
    virtual bool setSwitch(const std::string& element, MixerDirection direction, bool on) = 0;
};

// Opens the mixer of card n; null when it cannot be opened.
using MixerOpener = std::function<std::unique_ptr<MixerSeam>(int card)>;

// The ALSA mixer of "hw:n".
std::unique_ptr<MixerSeam> openAlsaMixer(int card);

} // namespace pelan::osconf
