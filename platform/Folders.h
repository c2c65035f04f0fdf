#pragma once

#include <QString>

namespace ovento {

// The user's documents folder (XDG), or an empty string when it cannot be told.
QString GetDocumentsFolder();
// The user's data home (XDG), or an empty string when it cannot be told.
QString GetDataHomeFolder();

// Documents folder + "/Ovento"; empty when the documents folder is unknown.
QString GetDefaultRecordFolder();
// Data home + "/Ovento/" (with the trailing separator); empty when the data home is unknown.
QString GetAppDataFolder();
// Creates the folder and its missing parents. False when the path already exists (as a
// folder or a file) or cannot be created; true when the folder was made.
bool CreateFolderTree(const QString& path);

// Moves one file to the desktop's trash without asking; 0 on success, else an error code.
int MoveToRecycleBin(const QString& path);

constexpr int kRecycleFileNotFound = 2;
constexpr int kRecycleAccessDenied = 5;

} // namespace ovento
