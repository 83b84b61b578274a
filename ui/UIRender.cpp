#include "ui/UIRender.h"

#include "ui/UIManager.h"
#include "ui/UIResourceManager.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>

namespace pelan {
namespace {

QHash<QString, QImage>& imageCache() {
    static QHash<QString, QImage> cache;
    return cache;
}

QList<int> numbersOf(const QString& value) {
    QList<int> numbers;
    for (const QString& part : value.split(',', Qt::KeepEmptyParts))
        numbers.append(part.trimmed().toInt());
    while (numbers.size() < 4)
        numbers.append(0);
    return numbers;
}

QString resolveImagePath(const QString& file) {
    QString path = file;
    path.replace('\\', '/');
    const QString byId = CResourceManager::GetInstance()->GetImagePath(path);
    if (!byId.isEmpty())
        path = byId;
    if (QFileInfo(path).isAbsolute())
        return path;
    return CPaintManagerUI::GetResourcePath() + path;
}

// Draws source part `src` of `pixmap` stretched into `target`, keeping the corner margins at their size.
void drawNinePatch(QPainter& painter, const QRect& target, const QImage& pixmap, const QRect& src, const QMargins& c) {
    if (c.isNull()) {
        painter.drawImage(target, pixmap, src);
        return;
    }
    const int xs[4] = {src.left(), src.left() + c.left(), src.right() + 1 - c.right(), src.right() + 1};
    const int ys[4] = {src.top(), src.top() + c.top(), src.bottom() + 1 - c.bottom(), src.bottom() + 1};
    const int xd[4] = {target.left(), target.left() + c.left(), target.right() + 1 - c.right(), target.right() + 1};
    const int yd[4] = {target.top(), target.top() + c.top(), target.bottom() + 1 - c.bottom(), target.bottom() + 1};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            const QRect s(QPoint(xs[col], ys[row]), QPoint(xs[col + 1] - 1, ys[row + 1] - 1));
            const QRect d(QPoint(xd[col], yd[row]), QPoint(xd[col + 1] - 1, yd[row + 1] - 1));
            if (s.isValid() && d.isValid())
                painter.drawImage(d, pixmap, s);
        }
    }
}

} // namespace

DWORD ParseColor(const QString& value) {
    QString text = value.trimmed();
    if (text.startsWith('#'))
        text = text.mid(1);
    else if (text.startsWith("0x", Qt::CaseInsensitive))
        text = text.mid(2);
    bool ok = false;
    DWORD color = text.toUInt(&ok, 16);
    if (!ok)
        return 0;
    if (text.size() <= 6)
        color |= 0xFF000000u;
    return color;
}

QColor ToQColor(DWORD argb) {
    return QColor::fromRgba(argb);
}

QRect ParseRectLtrb(const QString& value) {
    const QList<int> n = numbersOf(value);
    return QRect(QPoint(n[0], n[1]), QPoint(n[2] - 1, n[3] - 1));
}

QMargins ParseMargins(const QString& value) {
    const QList<int> n = numbersOf(value);
    return QMargins(n[0], n[1], n[2], n[3]);
}

QSize ParseSize(const QString& value) {
    const QList<int> n = numbersOf(value);
    return QSize(n[0], n[1]);
}

bool ParseBool(const QString& value) {
    return value.trimmed().compare("true", Qt::CaseInsensitive) == 0;
}

int ParseInt(const QString& value, int fallback) {
    bool ok = false;
    const int number = value.trimmed().toInt(&ok);
    return ok ? number : fallback;
}

ImageDescription ParseImageDescription(const QString& description) {
    ImageDescription parsed;
    if (!description.contains('=')) {
        parsed.file = description.trimmed();
        return parsed;
    }
    static const QRegularExpression pairs(R"((\w+)\s*=\s*'([^']*)')");
    for (auto it = pairs.globalMatch(description); it.hasNext();) {
        const auto match = it.next();
        const QString key = match.captured(1).toLower();
        const QString value = match.captured(2);
        if (key == "file" || key == "res")
            parsed.file = value;
        else if (key == "source")
            parsed.source = ParseRectLtrb(value);
        else if (key == "dest")
            parsed.dest = ParseRectLtrb(value);
        else if (key == "corner")
            parsed.corner = ParseMargins(value);
        else if (key == "fade")
            parsed.fade = std::clamp(ParseInt(value, 255), 0, 255);
    }
    return parsed;
}

QImage LoadImage(const QString& file) {
    if (file.isEmpty())
        return {};
    const QString path = resolveImagePath(file);
    auto& cache = imageCache();
    auto found = cache.find(path);
    if (found != cache.end())
        return *found;
    QImage image(path);
    cache.insert(path, image);
    return image;
}

void ClearImageCache() {
    imageCache().clear();
}

bool DrawImageDescription(QPainter& painter, const QRect& rc, const QString& description) {
    if (description.isEmpty())
        return false;
    const ImageDescription parsed = ParseImageDescription(description);
    const QImage pixmap = LoadImage(parsed.file);
    if (pixmap.isNull())
        return false;
    const QRect src = parsed.source.isValid() ? parsed.source : pixmap.rect();
    const QRect target = parsed.dest.isValid() ? parsed.dest.translated(rc.topLeft()) : rc;
    painter.save();
    painter.setOpacity(painter.opacity() * parsed.fade / 255.0);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    drawNinePatch(painter, target, pixmap, src, parsed.corner);
    painter.restore();
    return true;
}

void DrawText(QPainter& painter, const QRect& rc, const QString& text, DWORD argb, const QFont& font, UINT style) {
    if (text.isEmpty() || rc.isEmpty())
        return;
    int flags = 0;
    flags |= (style & DT_CENTER) ? Qt::AlignHCenter : (style & DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    flags |= (style & DT_VCENTER) ? Qt::AlignVCenter : (style & DT_BOTTOM) ? Qt::AlignBottom : Qt::AlignTop;
    if (style & DT_WORDBREAK)
        flags |= Qt::TextWordWrap;
    painter.save();
    painter.setFont(font);
    painter.setPen(ToQColor(argb));
    if ((style & DT_END_ELLIPSIS) && !(style & DT_WORDBREAK)) {
        const QString shown = painter.fontMetrics().elidedText(text, Qt::ElideRight, rc.width());
        painter.drawText(rc, flags, shown);
    } else {
        painter.drawText(rc, flags, text);
    }
    painter.restore();
}

} // namespace pelan
