#pragma once

#include "ui/UIDefs.h"

#include <QHash>
#include <QString>

namespace pelan {

// The resource index (identifiers of layouts and pictures, from "res.xml" in the resource folder) and the texts of
// the current language file. Controls whose text is a language key show the text found here.
class CResourceManager {
public:
    static CResourceManager* GetInstance();
    // Forgets the index, the language texts and the text query interface.
    void Release();

    // Reads the index from a file of the resource folder (or XML text when it begins with '<'). False when the file
    // is missing or not a valid index; the previous index is kept then.
    bool LoadResource(const QString& xml);
    QString GetImagePath(const QString& id) const;
    QString GetXmlPath(const QString& id) const;

    void SetLanguage(const QString& name) { m_language = name; }
    QString GetLanguage() const { return m_language; }
    // Replaces the texts with those of a language file of the resource folder. False (texts unchanged) when the file
    // is missing or broken.
    bool LoadLanguage(const QString& file);
    // The text of a key: the query interface's answer when it gives one, else the language file's text, else the key.
    QString GetText(const QString& id, const QString& type = QString()) const;
    bool HasText(const QString& id) const { return m_texts.contains(id); }
    // Has every window show the texts again (after LoadLanguage).
    void ReloadText();
    void SetTextQueryInterface(IQueryControlText* query) { m_query = query; }
    IQueryControlText* GetTextQueryInterface() const { return m_query; }

private:
    CResourceManager() = default;

    QHash<QString, QString> m_images;
    QHash<QString, QString> m_xmls;
    QHash<QString, QString> m_texts;
    QString m_language;
    IQueryControlText* m_query = nullptr;
};

// Reads an XML file of the resource folder ('\' counts as '/'; absolute paths as they are). Null when unreadable.
QString ReadResourceFile(const QString& file, bool* ok = nullptr);

} // namespace pelan
