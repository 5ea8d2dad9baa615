#pragma once

#include <QString>

// Where the program keeps its files: the settings file, the spreadsheet
// templates and the export copies. Every path ends with "/" for a folder; the
// folders are created when they are missing.

// "C:/Program Files/QuarnIPC/" on Windows, the user's data folder elsewhere;
// the environment variable ZELT_HOME overrides both.
QString FilesRoot();

// Root + "Setting/setting.ini".
QString SettingsFilePath();

// Root + "Template/".
QString TemplateDir();

// Root + "Export/".
QString ExportDir();
