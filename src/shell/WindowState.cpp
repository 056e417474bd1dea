#include "shell/WindowState.h"

#include "common/IniFile.h"

#include <QWidget>

void LoadWindowState(QWidget&, const std::string&, const TIniFile&) {}
void SaveWindowState(const QWidget&, const std::string&, TIniFile&) {}
void LoadWindowState(QWidget&, const std::string&) {}
void SaveWindowState(const QWidget&, const std::string&) {}
bool IsSizeable(const QWidget& window) {
    return window.minimumSize() != window.maximumSize();
}
