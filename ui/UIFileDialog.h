#pragma once

#include <QString>

class QWidget;

namespace pelan {

// Turns the filter texts the panels use into Qt's form: "Profile Files(*.json)" and "*.json;" patterns, or
// "description|pattern|description|pattern||" pairs.
QString ToQtFileFilter(const QString& filter);

// The chosen file's full path, or "" when the user cancelled.
QString OpenFileDialog(QWidget* owner, const QString& filter, const QString& title = QString());
// Adds defaultExtension (without the dot) to a chosen name that has no extension.
QString SaveFileDialog(QWidget* owner, const QString& filter, const QString& defaultExtension = QString(),
                       const QString& initialName = QString(), const QString& title = QString());

} // namespace pelan
