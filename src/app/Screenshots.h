#pragma once
#include <QString>

// Renders the main window on each page, the properties dialog and the macro dialogs to PNG
// files in the folder, offscreen, after a short run against the simulated engine module.
// Returns the program's exit code.
int RenderScreenshots(const QString& folder);
