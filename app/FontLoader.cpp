#include "app/FontLoader.h"

#include <QFile>
#include <QFontDatabase>

namespace pelan {

const QStringList& privateFontFiles() {
    static const QStringList files = {"Font/Simplified_Chinese.ttf", "Font/Orvane_Display.ttf",
                                      "Font/NotoSansThai-Regular.ttf", "Font/NotoSansCJKtc-Regular.otf"};
    return files;
}

std::vector<int> loadPrivateFonts(const QString& programFolder) {
    std::vector<int> ids;
    QString folder = programFolder;
    if (!folder.isEmpty() && !folder.endsWith('/'))
        folder += '/';
    for (const QString& file : privateFontFiles()) {
        QFile in(folder + file);
        if (!in.open(QIODevice::ReadOnly))
            continue;
        const int id = QFontDatabase::addApplicationFontFromData(in.readAll());
        if (id >= 0)
            ids.push_back(id);
    }
    return ids;
}

void unloadPrivateFonts(const std::vector<int>& ids) {
    for (auto it = ids.rbegin(); it != ids.rend(); ++it)
        QFontDatabase::removeApplicationFont(*it);
}

} // namespace pelan
