// The folder the settings application finds its files in: res/ (the translation table, the
// shipped settings, the per-model files it shares with the core) and libs/ (the configuration
// store). That is the program's own folder; a test that runs the pages in its own process points
// it at the folder of the core it started.
#pragma once

#include <QString>

QString zv_app_dir();
// Before anything reads a file from there; an empty path returns to the program's folder.
void zv_set_app_dir(const QString& dir);
