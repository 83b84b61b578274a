#pragma once

// What the application tests share with the UI layer tests, plus the source tree's skin.
#include "ui/UiTestSupport.h"

#include <QFile>
#include <QHash>
#include <QXmlStreamReader>
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

// The texts of a language file of the source tree by id; empty when it cannot be read.
inline QHash<QString, QString> languageTexts(const QString& file) {
    QFile in(env("PELAN_SOURCE_DIR") + "/skin/" + file);
    QHash<QString, QString> texts;
    if (!in.open(QIODevice::ReadOnly))
        return texts;
    QXmlStreamReader reader(&in);
    while (reader.readNextStartElement() || !reader.atEnd())
        if (reader.isStartElement() && reader.name() == QString("Text"))
            texts.insert(reader.attributes().value("id").toString(), reader.attributes().value("value").toString());
    return texts;
}

} // namespace pelan::test
