// The main window's language: the stored or locale's choice at start, and switching with its font table.
#include "app/AppMessages.h"
#include "app/CMainWnd.h"
#include "app/CSetWnd.h"
#include "pages/CVeltraUSBDevice.h"
#include "platform/SettingsFile.h"
#include "platform/Trace.h"
#include "profile/LanguageList.h"

#include <QFont>

namespace pelan {
namespace {

// The layouts' font family; it exists nowhere on Linux, so it stands for Latin fonts first and then CJK ones, and
// fontconfig fills whatever glyph these still lack.
constexpr const char* kFontFamily = "Verdana Unicode MS";
const QStringList kFontFallbacks = {"DejaVu Sans", "Noto Sans", "WenQuanYi Micro Hei", "Noto Sans CJK SC",
                                    "Droid Sans Fallback"};

struct FontRow {
    int id;
    int size;
    bool bold;
    bool underline;
};
constexpr FontRow kFontTable[] = {
    {0, 15, false, false},  {1, 14, false, true},   {2, 18, false, false}, {3, 30, false, false}, {4, 16, false, false},
    {5, 20, false, false},  {6, 22, false, false},  {7, 14, false, false}, {8, 12, false, false}, {9, 11, false, false},
    {10, 10, false, false}, {11, 28, false, false}, {12, 8, false, false}, {50, 18, true, false}};

// The indexes whose switch (to or from them) rebuilds the font table; -1 is the start.
bool rebuildsFonts(int from, int to) {
    const auto listed = [](int index) { return index == 15 || index == 0 || index == 2; };
    return listed(to) || listed(from) || from == -1;
}

} // namespace

void CMainWnd::RebuildFonts() {
    QFont::insertSubstitutions(kFontFamily, kFontFallbacks);
    m_pm.RemoveAllFonts();
    CPaintManagerUI::RemoveAllSharedFonts();
    for (const FontRow& row : kFontTable)
        m_pm.AddFont(row.id, kFontFamily, row.size, row.bold, row.underline, false, true);
    m_pm.SetDefaultFont(kFontFamily, kFontTable[0].size, false, false, false, true);
}

int CMainWnd::StoredLanguageIndex() {
    return startLanguageIndex(installedLanguages(), settingsValue(kLanguageSettingsKey), localeLanguage());
}

void CMainWnd::ApplyLanguage(int index) {
    if (index == m_languageIndex)
        return;
    if (rebuildsFonts(m_languageIndex, index))
        RebuildFonts();
    m_languageIndex = index;
    const std::vector<LanguageEntry> list = installedLanguages();
    if (index < 0 || size_t(index) >= list.size()) {
        trace("language " + std::to_string(index) + " is not in the language list");
        return;
    }
    const LanguageEntry& entry = list[size_t(index)];
    CResourceManager* resources = CResourceManager::GetInstance();
    resources->SetLanguage(QString::fromStdString(entry.name));
    if (resources->LoadLanguage(QString::fromStdString(entry.file)))
        resources->ReloadText();
    else
        trace("language file " + entry.file + " could not be loaded");
    if (writeSettingsValue(kLanguageSettingsKey, std::to_string(entry.id)))
        trace("写成功！");
    for (DevicePage& page : m_pages)
        if (page.kind == kDeviceKindMouse || page.kind == kDeviceKindKeyboard)
            page.page->refreshTexts();
    if (CControlUI* root = m_pm.GetRoot())
        root->Invalidate();
    if (m_setWnd != nullptr)
        m_setWnd->PostMessage(UWM_LANGUAGE_CHANGED_MSG, 0, 0);
}

} // namespace pelan
