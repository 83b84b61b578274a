#pragma once

// What the application tests share with the UI layer tests, plus the source tree's skin.
#include "ui/UiTestSupport.h"

#include <cstdlib>

namespace pelan::test {

inline QString env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? QString::fromUtf8(value) : QString();
}

// Points the UI layer at the skin of the source tree and loads its index and a language.
inline void useSourceSkin(const QString& language = "lan_en.xml") {
    app();
    CPaintManagerUI::SetResourcePath(env("PELAN_SOURCE_DIR") + "/skin/");
    CResourceManager::GetInstance()->LoadResource("res.xml");
    CResourceManager::GetInstance()->LoadLanguage(language);
}

} // namespace pelan::test
