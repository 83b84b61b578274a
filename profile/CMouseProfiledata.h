#pragma once

#include "profile/CBasicProfiledata.h"

namespace pelan {

// Mouse profile: DPI stages, system settings with the report rate, and the correction presets.
class CMouseProfiledata : public CBasicProfiledata {
public:
    // "MouseSpeed" is a slider position, 0 to 9 (desktop pointer speeds 2 to 20).
    static constexpr uint16_t kMaxPointerSpeedPosition = 9;

    // The stages read replace the kept stages position by position; kept stages past the number read remain.
    std::vector<DpiStage> readDpiStages();
    void writeDpiStages(const std::vector<DpiStage>& stages);
    const std::vector<DpiStage>& getDpiStages() const { return dpiStages; }
    int getActiveDpiStage() const { return activeDpiStage; }
    void writeActiveDpiStage(int stage);

    // word0: "DoubleClickTime" | "MouseSpeed" << 16; word1: "PointerPrecision" | "ScorllPage" << 16;
    // word2: "WheelScorlllinse" | report-rate stage ("ReportStages" "StageActive") << 16. A stored "MouseSpeed" above
    // the last slider position reads as that position.
    SystemWords readMouseSystem();
    void writeMouseSystem(const SystemWords& words);
    const SystemWords& getMouseSystem() const { return mouseSystem; }

    std::vector<CorrectionPreset> readCorrections();
    const std::vector<CorrectionPreset>& getCorrections() const { return corrections; }

private:
    std::vector<DpiStage> dpiStages;
    int activeDpiStage = 0;
    SystemWords mouseSystem;
    std::vector<CorrectionPreset> corrections;
};

} // namespace pelan
