#include "profile/CMouseProfiledata.h"

#include "profile/ProfileMembers.h"
#include "profile/SystemWordsCodec.h"

#include <algorithm>

namespace pelan {
namespace {

// The report-rate stage, the high half of word 2, lives in "ReportStages" instead.
constexpr SystemHalfNames kMouseHalves{member::kDoubleClickTime, member::kMouseSpeed,       member::kPointerPrecision,
                                       member::kScrollPage,      member::kWheelScrollLines, nullptr};

DpiStage dpiStageFrom(const JsonLookup& stored) {
    DpiStage stage;
    stage.enabled = stored[member::kStageActive].toByte();
    stage.separateXY = stored[member::kStageXy].toByte();
    stage.dpiX = stored[member::kStageDpiX].toWord();
    stage.dpiY = stored[member::kStageDpiY].toWord();
    stage.red = stored[member::kStageColorR].toByte();
    stage.green = stored[member::kStageColorG].toByte();
    stage.blue = stored[member::kStageColorB].toByte();
    return stage;
}

void storeDpiStage(Json::Value& stored, const DpiStage& stage) {
    memberForWrite(stored, member::kStageActive) = stage.enabled;
    memberForWrite(stored, member::kStageXy) = stage.separateXY;
    memberForWrite(stored, member::kStageDpiX) = stage.dpiX;
    memberForWrite(stored, member::kStageDpiY) = stage.dpiY;
    memberForWrite(stored, member::kStageColorR) = stage.red;
    memberForWrite(stored, member::kStageColorG) = stage.green;
    memberForWrite(stored, member::kStageColorB) = stage.blue;
}

} // namespace

std::vector<DpiStage> CMouseProfiledata::readDpiStages() {
    JsonLookup stages = node()[member::kDpiStages];
    if (!stages.present())
        return dpiStages;
    activeDpiStage = stages[member::kStageActive].toInt();
    JsonLookup list = stages[member::kStageDpis];
    for (int i = 0; i < list.size(); ++i) {
        DpiStage stage = dpiStageFrom(list[i]);
        if (static_cast<std::size_t>(i) < dpiStages.size())
            dpiStages[static_cast<std::size_t>(i)] = stage;
        else
            dpiStages.push_back(stage);
    }
    return dpiStages;
}

void CMouseProfiledata::writeDpiStages(const std::vector<DpiStage>& stages) {
    dpiStages = stages;
    Json::Value& list = memberForWrite(nodeForWrite(member::kDpiStages), member::kStageDpis);
    for (std::size_t i = 0; i < stages.size() && isCreatableIndex(static_cast<int>(i)); ++i)
        storeDpiStage(elementForWrite(list, static_cast<int>(i)), stages[i]);
}

void CMouseProfiledata::writeActiveDpiStage(int stage) {
    activeDpiStage = stage;
    memberForWrite(nodeForWrite(member::kDpiStages), member::kStageActive) = stage;
}

SystemWords CMouseProfiledata::readMouseSystem() {
    SystemWords words;
    JsonLookup system = node()[member::kSystemStages];
    if (system.present()) {
        words = readSystemWords(system, kMouseHalves);
        // A file may hold a pointer speed past the last slider position; it reads as the fastest one.
        const uint16_t speed = std::min<uint16_t>(highHalf(words.word0), kMaxPointerSpeedPosition);
        words.word0 = packHalves(lowHalf(words.word0), speed);
        JsonLookup report = node()[member::kReportStages];
        if (report.present())
            words.word2 = packHalves(lowHalf(words.word2), report[member::kStageActive].toWord());
    }
    mouseSystem = words;
    return words;
}

void CMouseProfiledata::writeMouseSystem(const SystemWords& words) {
    mouseSystem = words;
    writeSystemWords(nodeForWrite(member::kSystemStages), words, kMouseHalves);
    memberForWrite(nodeForWrite(member::kReportStages), member::kStageActive) = highHalf(words.word2);
}

std::vector<CorrectionPreset> CMouseProfiledata::readCorrections() {
    std::vector<CorrectionPreset> presets;
    JsonLookup list = node()[member::kCorrectInfo];
    for (int i = 0; i < list.size(); ++i) {
        JsonLookup element = list[i];
        presets.push_back({element[member::kCorrectPixThresh].toByte(), element[member::kCorrectMinSq].toByte(),
                           element[member::kCorrectSelect].toByte(), element[member::kCorrectName].toString()});
    }
    corrections = presets;
    return presets;
}

} // namespace pelan
