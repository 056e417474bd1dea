#pragma once
// Window placement kept in the ini file, one section per window name: "State" ("Normal",
// "Minimized" or "Maximized"), "Left", "Top" and, for a sizeable window, "Width" and "Height".
#include <QRect>

#include <string>

class QSize;
class QWidget;
class TIniFile;

// Restores the window's state and bounds; missing or unreadable keys keep the current values, and
// the bounds are kept on a screen (OnScreen).
void LoadWindowState(QWidget& window, const std::string& section, const TIniFile& ini);
// Stores the state; a minimised or maximised window leaves its last normal bounds alone.
void SaveWindowState(const QWidget& window, const std::string& section, TIniFile& ini);
// The same through the ini file at IniPath(), read now and written at once; a file that cannot
// be written is left as it was (placement is not worth an error message).
void LoadWindowState(QWidget& window, const std::string& section);
void SaveWindowState(const QWidget& window, const std::string& section);
// A window is sizeable unless its minimum and maximum sizes are equal.
bool IsSizeable(const QWidget& window);
// Bounds moved and shrunk into the available area of the screen their corner lies on (else the
// main screen), no smaller than minimum where the screen allows: a window placed off every screen
// or larger than it could not be reached.
QRect OnScreen(const QRect& bounds, const QSize& minimum);
