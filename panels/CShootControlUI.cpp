#include "panels/CShootControlUI.h"

#include "keys/DecimalText.h"
#include "platform/Trace.h"

#include <algorithm>

namespace pelan {
namespace {

constexpr const char* kMessageFactoryMissing = "recoil_factory_missing_text";
constexpr const char* kMessageImportRefused = "recoil_import_refused_text";
constexpr const char* kMessageWriteFailed = "recoil_write_failed_text";
constexpr const char* kMessageConfirmReset = "message_text_22";
constexpr const char* kRecoilFileFilter = "Recoil Files(*.Shoot)";

QString numbered(const char* prefix, int index) {
    return QString::fromLatin1(prefix) + QString::number(index);
}

int editValue(const CEditUI* edit, int max) {
    return int(parseDecimalTextClamped(edit->GetText().trimmed().toStdString(), max));
}

void showNumber(CEditUI* edit, int value) {
    edit->SetText(QString::asprintf("%d", value));
}

} // namespace

void* CShootControlUI::GetInterface(const QString& name) {
    if (name == "ShootControl")
        return this;
    return CVerticalLayoutUI::GetInterface(name);
}

void CShootControlUI::findControls() {
    searched_ = true;
    found_ = true;
    for (int gun = 0; gun < kRecoilGunCount; ++gun)
        found_ &= (guns_[size_t(gun)] = find<COptionUI>(numbered(kGunOptionPrefix, gun))) != nullptr;
    for (int bullet = 0; bullet < kRecoilBulletCount; ++bullet)
        found_ &= (bullets_[size_t(bullet)] = find<COptionUI>(numbered(kBulletOptionPrefix, bullet))) != nullptr;
    chart_ = find<CRecoilChartUI>(kChart);
    index_ = find<CLabelUI>(kBulletIndexLabel);
    horizontal_ = find<CCheckBoxUI>(kHorizontalCheck);
    vertical_ = find<CCheckBoxUI>(kVerticalCheck);
    x_ = find<CEditUI>(kHorizontalEdit);
    y_ = find<CEditUI>(kVerticalEdit);
    delay_ = find<CEditUI>(kDelayEdit);
    found_ = found_ && chart_ != nullptr && index_ != nullptr && horizontal_ != nullptr && vertical_ != nullptr &&
             x_ != nullptr && y_ != nullptr && delay_ != nullptr;
    for (const char* name :
         {kImportButton, kExportButton, kSaveButton, kResetButton, kEditLayout, kPreviousButton, kNextButton})
        found_ = found_ && FindSubControl(name) != nullptr;
    if (!found_)
        trace("recoil panel: a control of its layout is missing");
}

bool CShootControlUI::controlsFound() {
    if (!searched_)
        findControls();
    return found_;
}

// --- selection ---

void CShootControlUI::selectGun(int gun) {
    if (!controlsFound())
        return;
    gun_ = std::clamp(gun, 0, kRecoilGunCount - 1);
    for (COptionUI* option : guns_)
        option->Selected(false, false);
    guns_[size_t(gun_)]->Selected(true, false);
    showBullet();
}

void CShootControlUI::selectBullet(int bullet) {
    if (!controlsFound())
        return;
    bullet_ = std::clamp(bullet, 0, kRecoilBulletCount - 1);
    for (COptionUI* option : bullets_)
        option->Selected(false, false);
    bullets_[size_t(bullet_)]->Selected(true, false);
    index_->SetText(QString::asprintf("%d", bullet_ + 1));
    showBullet();
}

// --- the bullet ---

void CShootControlUI::showValues(const RecoilBullet& bullet) {
    horizontal_->SetCheck(bullet.left, false);
    vertical_->SetCheck(bullet.up, false);
    relabelDirections();
    showNumber(x_, bullet.x);
    showNumber(y_, bullet.y);
    showNumber(delay_, bullet.delay);
}

void CShootControlUI::showBullet() {
    if (!controlsFound())
        return;
    // Without any table (no working and no factory file) the edits stay empty: nothing is there to edit.
    drawChart();
    const std::optional<RecoilBullet> bullet = tables_.readBullet(gun_, bullet_);
    if (bullet) {
        showValues(*bullet);
        return;
    }
    showValues({});
    for (CEditUI* edit : {x_, y_, delay_})
        edit->SetText(QString());
}

// The chart follows the gun's table as stored, so it shows what the mouse is given.
void CShootControlUI::drawChart() {
    const std::optional<std::vector<RecoilBullet>> table = tables_.readTable(gun_);
    std::vector<QPoint> points;
    if (table)
        for (const RecoilPoint& point : recoilPath(*table))
            points.emplace_back(point.x, point.y);
    chart_->setPoints(std::move(points));
}

void CShootControlUI::relabelDirections() {
    horizontal_->SetResourceText(true);
    vertical_->SetResourceText(true);
    horizontal_->SetText(horizontal_->GetCheck() ? kLeftText : kRightText);
    vertical_->SetText(vertical_->GetCheck() ? kUpText : kDownText);
}

RecoilBullet CShootControlUI::shownBullet() {
    return RecoilBullet{editValue(x_, kMaxRecoilDistance), horizontal_->GetCheck(), editValue(y_, kMaxRecoilDistance),
                        vertical_->GetCheck(), editValue(delay_, kMaxRecoilDelay)};
}

RecoilResult CShootControlUI::saveBullet() {
    if (!controlsFound())
        return RecoilResult::NoFolder;
    const RecoilBullet bullet = clampedBullet(shownBullet());
    const RecoilResult result = tables_.writeBullet(gun_, bullet_, bullet);
    if (result == RecoilResult::Done) {
        showValues(bullet);
        drawChart();
    }
    return reported(result);
}

RecoilResult CShootControlUI::directionChanged() {
    if (!controlsFound())
        return RecoilResult::NoFolder;
    relabelDirections();
    return saveBullet();
}

// --- whole tables ---

RecoilResult CShootControlUI::resetGun() {
    if (!controlsFound())
        return RecoilResult::NoFolder;
    // The user's table is gone once reset: only an answered question resets it.
    if (!prompts_.confirm || !prompts_.confirm(kMessageConfirmReset))
        return RecoilResult::Done;
    const RecoilResult result = tables_.resetGun(gun_);
    selectBullet(bullet_);
    return reported(result);
}

RecoilResult CShootControlUI::exportGun() {
    if (!controlsFound() || !prompts_.saveFile)
        return RecoilResult::NoFolder;
    const QString path = prompts_.saveFile(kRecoilFileFilter);
    if (path.isEmpty())
        return RecoilResult::Done;
    return reported(tables_.exportGun(gun_, path.toStdString()));
}

RecoilResult CShootControlUI::importGun() {
    if (!controlsFound() || !prompts_.openFile)
        return RecoilResult::NoFolder;
    const QString path = prompts_.openFile(kRecoilFileFilter);
    if (path.isEmpty())
        return RecoilResult::Done;
    const RecoilResult result = tables_.importGun(gun_, path.toStdString());
    showBullet();
    return reported(result);
}

RecoilResult CShootControlUI::reported(RecoilResult result) {
    if (result == RecoilResult::Done)
        return result;
    trace("recoil panel: " + std::string(recoilResultText(result)));
    if (!prompts_.message)
        return result;
    if (result == RecoilResult::FactoryMissing)
        prompts_.message(kMessageFactoryMissing);
    else if (result == RecoilResult::NotATable || result == RecoilResult::SourceUnreadable)
        prompts_.message(kMessageImportRefused);
    else
        prompts_.message(kMessageWriteFailed);
    return result;
}

} // namespace pelan
