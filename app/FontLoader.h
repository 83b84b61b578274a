#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace pelan {

// The private fonts of the program, in load order, relative to the program folder.
const QStringList& privateFontFiles();

// Loads each font file of the list from programFolder; files that are missing, unreadable or not fonts are skipped.
// Returns the ids of the loaded fonts, in load order.
std::vector<int> loadPrivateFonts(const QString& programFolder);
// Removes the fonts again, in reverse load order.
void unloadPrivateFonts(const std::vector<int>& ids);

} // namespace pelan
