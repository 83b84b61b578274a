#include "ui/UIResourceManager.h"

#include "platform/Trace.h"
#include "ui/UIManager.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

namespace pelan {
namespace {

QString xmlText(const QString& xmlOrFile, bool& ok) {
    if (xmlOrFile.trimmed().startsWith('<')) {
        ok = true;
        return xmlOrFile;
    }
    return ReadResourceFile(xmlOrFile, &ok);
}

} // namespace

QString ReadResourceFile(const QString& file, bool* ok) {
    QString path = file;
    path.replace('\\', '/');
    if (!QFileInfo(path).isAbsolute())
        path = CPaintManagerUI::GetResourcePath() + path;
    QFile in(path);
    const bool opened = in.open(QIODevice::ReadOnly);
    if (ok != nullptr)
        *ok = opened;
    if (!opened)
        return {};
    return QString::fromUtf8(in.readAll());
}

CResourceManager* CResourceManager::GetInstance() {
    static CResourceManager manager;
    return &manager;
}

void CResourceManager::Release() {
    m_images.clear();
    m_xmls.clear();
    m_texts.clear();
    m_language.clear();
    m_query = nullptr;
}

bool CResourceManager::LoadResource(const QString& xml) {
    bool ok = false;
    const QString text = xmlText(xml, ok);
    if (!ok) {
        trace("resource index not found: " + xml.toStdString());
        return false;
    }
    QHash<QString, QString> images;
    QHash<QString, QString> xmls;
    QXmlStreamReader reader(text);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        const QString tag = reader.name().toString().toLower();
        const QString id = reader.attributes().value("id").toString();
        QString path = reader.attributes().value("path").toString();
        path.replace('\\', '/');
        if (tag == "image" && !id.isEmpty())
            images.insert(id, path);
        else if (tag == "xml" && !id.isEmpty())
            xmls.insert(id, path);
    }
    if (reader.hasError()) {
        trace("resource index is not valid XML: " + reader.errorString().toStdString());
        return false;
    }
    m_images = images;
    m_xmls = xmls;
    return true;
}

QString CResourceManager::GetImagePath(const QString& id) const {
    return m_images.value(id);
}

QString CResourceManager::GetXmlPath(const QString& id) const {
    return m_xmls.value(id);
}

bool CResourceManager::LoadLanguage(const QString& file) {
    bool ok = false;
    const QString text = xmlText(file, ok);
    if (!ok) {
        trace("language file not found: " + file.toStdString());
        return false;
    }
    QHash<QString, QString> texts;
    QXmlStreamReader reader(text);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name().toString().compare("Text", Qt::CaseInsensitive) == 0) {
            const QString id = reader.attributes().value("id").toString();
            if (!id.isEmpty())
                texts.insert(id, reader.attributes().value("value").toString());
        }
    }
    if (reader.hasError()) {
        trace("language file is not valid XML: " + file.toStdString());
        return false;
    }
    m_texts = texts;
    return true;
}

QString CResourceManager::GetText(const QString& id, const QString& type) const {
    if (m_query != nullptr) {
        const QString answer = m_query->QueryControlText(id, type);
        if (!answer.isNull())
            return answer;
    }
    const auto found = m_texts.find(id);
    return found != m_texts.end() ? *found : id;
}

void CResourceManager::ReloadText() {
    for (CPaintManagerUI* manager : CPaintManagerUI::GetPaintManagers())
        manager->ReloadText();
}

} // namespace pelan
