#include "app/SkinPictureCopy.h"

#include "platform/AtomicFile.h"
#include "platform/Trace.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>

namespace pelan {

std::optional<QString> SkinPictureCopy::take(const QString& source, const std::string& dataFolder, QSize shown) {
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxSourceBytes) {
        trace("skin picture " + source.toStdString() + " unreadable or above the size limit");
        return std::nullopt;
    }
    // One read of the bytes: the copy is made from exactly what was checked.
    QByteArray bytes = file.read(kMaxSourceBytes + 1);
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (bytes.size() > kMaxSourceBytes || !size.isValid() || size.width() > kMaxSourceSide ||
        size.height() > kMaxSourceSide) {
        trace("skin picture " + source.toStdString() + " is not a picture of a size that is taken");
        return std::nullopt;
    }
    // Covering the shown size, never larger than the picture itself.
    const QSize covering = shown.isValid() ? size.scaled(shown, Qt::KeepAspectRatioByExpanding) : size;
    if (covering.width() < size.width())
        reader.setScaledSize(covering);
    const QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    if (!image.save(&out, "PNG"))
        return std::nullopt;
    const QString folder = QDir(QString::fromStdString(dataFolder)).filePath(kFolder);
    const QString name =
        QString::fromLatin1(QCryptographicHash::hash(png, QCryptographicHash::Sha256).toHex().left(32));
    const QString target = QDir(folder).filePath(name + ".png");
    if (!QDir().mkpath(folder) ||
        writeFileAtomically(target.toStdString(), std::string_view(png.constData(), size_t(png.size()))) != 0)
        return std::nullopt;
    return target;
}

} // namespace pelan
