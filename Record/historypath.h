#pragma once

#include <QString>

// <files root>/History/history.sqlite, the root being $ZELT_HOME when set, else
// the program's files root (the per-user data folder; a fixed folder on Windows).
// The History folder is created.
QString DefaultHistoryPath();
// The same path, nothing created: for readers.
QString DefaultHistoryFile();
// <files root>/Setting/setting.ini, nothing created.
QString DefaultSettingsFile();
