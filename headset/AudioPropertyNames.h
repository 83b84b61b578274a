#pragma once

// The property names of the audio configuration library, as the program and the library both spell them.
namespace pelan::audio_property {

inline constexpr const char* kSupportFeature = "GetSupportFeature";
inline constexpr const char* kMaxVolume = "GetMaxVol";
inline constexpr const char* kMinVolume = "GetMinVol";
inline constexpr const char* kVolumeStep = "GetVolStep";
inline constexpr const char* kVolume = "VolumeControl";
inline constexpr const char* kVolumeScalar = "VolumeScalarControl";
inline constexpr const char* kMute = "MuteControl";
inline constexpr const char* kMonitorMaxVolume = "GetAAMaxVol";
inline constexpr const char* kMonitorMinVolume = "GetAAMinVol";
inline constexpr const char* kMonitorVolumeStep = "GetAAVolStep";
inline constexpr const char* kMonitorVolume = "AAVolumeControl";
inline constexpr const char* kMonitorVolumeScalar = "AAVolumeScalarControl";
inline constexpr const char* kMonitorMute = "AAMuteControl";
inline constexpr const char* kVoiceChanger = "Enable_MAGICVOICE";
inline constexpr const char* kVoiceSelection = "MagicVoice_Selection";
inline constexpr const char* kMicEcho = "Enable_MICECHO";
inline constexpr const char* kNoiseCancellation = "Enable_ENC_LFX";
inline constexpr const char* kEqualiser = "Enable_EQ_GFX";
// Band i (0-based) is kEqBandPrefix + (i + 1).
inline constexpr const char* kEqBandPrefix = "EQ_Slider";
// Our library's own: "1" while the sound follows the equaliser's curve, "0" while the curve is only kept.
inline constexpr const char* kEqualiserApplied = "EQ_GFX_Applied";
// Our library's own: why the curve is only kept, while EQ_GFX_Applied is "0" (one of the kEqNot... words).
inline constexpr const char* kEqualiserNotAppliedReason = "EQ_GFX_NotAppliedReason";
inline constexpr const char* kEqNotAppliedNoPipeWire = "no-pipewire";
inline constexpr const char* kEqNotAppliedNoHeadsetSink = "no-headset-sink";
inline constexpr const char* kEqNotAppliedNoFilter = "no-filter";
inline constexpr const char* kReverb = "Enable_RFX_GFX";
inline constexpr const char* kReverbEnvironment = "RFX_ENVIRONMENT";
inline constexpr const char* kReverbRoomSize = "RFX_ROOMSIZE";
inline constexpr const char* kSurround = "VirtualSurroundEffectControl";

// Our library's own, for each effect beside the equaliser: PROPERTY_Applied is "1" while the effect works on the
// sound and "0" while its switch is only kept; PROPERTY_NotAppliedReason then says why (a kEqNot... or kEffectNot...
// word). PROPERTY is the effect's switch without its "Enable_" (e.g. "MAGICVOICE_Applied").
inline constexpr const char* kAppliedSuffix = "_Applied";
inline constexpr const char* kNotAppliedReasonSuffix = "_NotAppliedReason";
inline constexpr const char* kEffectNotAppliedNoHeadsetSource = "no-headset-source";
inline constexpr const char* kEffectNotAppliedNoPlugin = "no-plugin";

// The reverb's and the virtual surround's applied and not-applied-reason properties (see kAppliedSuffix); while
// one is off, its reason says what would keep it from working now, if anything.
inline constexpr const char* kReverbApplied = "RFX_GFX_Applied";
inline constexpr const char* kReverbNotAppliedReason = "RFX_GFX_NotAppliedReason";
inline constexpr const char* kSurroundApplied = "VirtualSurround_Applied";
inline constexpr const char* kSurroundNotAppliedReason = "VirtualSurround_NotAppliedReason";
// The output's feature report: the reverb's bit in field 4 (output effects), the virtual surround's in field 6
// (surround modes); the reverb's environments (0 to 7) and room sizes (0 to 100).
inline constexpr int kReverbSupportBit = 0x2;
inline constexpr int kVirtualSurroundSupportBit = 0x2;
inline constexpr int kReverbEnvironmentCount = 8;
inline constexpr int kReverbMaxRoomSize = 100;

inline constexpr int kEqBands = 10;

// The microphone effects' PROPERTY_Applied and PROPERTY_NotAppliedReason.
inline constexpr const char* kVoiceChangerApplied = "MAGICVOICE_Applied";
inline constexpr const char* kVoiceChangerNotAppliedReason = "MAGICVOICE_NotAppliedReason";
inline constexpr const char* kMicEchoApplied = "MICECHO_Applied";
inline constexpr const char* kMicEchoNotAppliedReason = "MICECHO_NotAppliedReason";
inline constexpr const char* kNoiseCancellationApplied = "ENC_LFX_Applied";
inline constexpr const char* kNoiseCancellationNotAppliedReason = "ENC_LFX_NotAppliedReason";

} // namespace pelan::audio_property
