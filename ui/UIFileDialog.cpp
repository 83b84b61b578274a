#include "ui/UIFileDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace pelan {
namespace {

QString patternsOf(QString patterns) {
    patterns.replace(';', ' ');
    return patterns.simplified();
}

} // namespace

QString ToQtFileFilter(const QString& filter) {
    if (!filter.contains('|')) {
        // "Name(*.a;*.b)" -> "Name (*.a *.b)"
        const int open = filter.indexOf('(');
        const int close = filter.lastIndexOf(')');
        if (open < 0 || close < open)
            return filter.trimmed();
        return filter.left(open).trimmed() + " (" + patternsOf(filter.mid(open + 1, close - open - 1)) + ")";
    }
    QStringList parts = filter.split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = patternsOf(parts[i + 1]);
        if (description.isEmpty() && patterns.isEmpty())
            continue;
        QString label = description;
        const int open = label.indexOf('(');
        if (open >= 0)
            label = label.left(open).trimmed();
        filters.append((label.isEmpty() ? patterns : label) + " (" + patterns + ")");
    }
    return filters.join(";;");
}

QString OpenFileDialog(QWidget* owner, const QString& filter, const QString& title) {
    return QFileDialog::getOpenFileName(owner, title, QString(), ToQtFileFilter(filter));
}

QString SaveFileDialog(QWidget* owner, const QString& filter, const QString& defaultExtension,
                       const QString& initialName, const QString& title) {
    QString chosen = QFileDialog::getSaveFileName(owner, title, initialName, ToQtFileFilter(filter));
    QString extension = defaultExtension;
    extension.remove('*').remove('.');
    if (!chosen.isEmpty() && !extension.isEmpty() && QFileInfo(chosen).suffix().isEmpty())
        chosen += "." + extension;
    return chosen;
}

} // namespace pelan
