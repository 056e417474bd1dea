#include "shell/WindowState.h"

#include "common/Common.h"
#include "common/IniFile.h"

#include <QWidget>

void LoadWindowState(QWidget& window, const std::string& section, const TIniFile& ini) {
    std::string state = ini.ReadString(section, "State", "Normal");
    if (state == "Maximized") {
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
        return;
    }
    window.setWindowState(window.windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    QPoint at = window.pos();
    window.move(ini.ReadInteger(section, "Left", at.x()), ini.ReadInteger(section, "Top", at.y()));
    if (IsSizeable(window)) {
        QSize size = window.size();
        window.resize(ini.ReadInteger(section, "Width", size.width()),
                      ini.ReadInteger(section, "Height", size.height()));
    }
}

void SaveWindowState(const QWidget& window, const std::string& section, TIniFile& ini) {
    Qt::WindowStates state = window.windowState();
    if (state & Qt::WindowMinimized) {
        ini.WriteString(section, "State", "Minimized");
        return;
    }
    if (state & Qt::WindowMaximized) {
        ini.WriteString(section, "State", "Maximized");
        return;
    }
    ini.WriteInteger(section, "Left", window.pos().x());
    ini.WriteInteger(section, "Top", window.pos().y());
    if (IsSizeable(window)) {
        ini.WriteInteger(section, "Width", window.width());
        ini.WriteInteger(section, "Height", window.height());
    }
    ini.WriteString(section, "State", "Normal");
}

void LoadWindowState(QWidget& window, const std::string& section) {
    TIniFile ini(IniPath());
    LoadWindowState(window, section, ini);
}

void SaveWindowState(const QWidget& window, const std::string& section) {
    try {
        TIniFile ini(IniPath());
        SaveWindowState(window, section, ini);
        ini.UpdateFile();
    } catch (const std::exception&) {
        // A placement that cannot be stored is not worth interrupting the user for.
    }
}

bool IsSizeable(const QWidget& window) {
    return window.minimumSize() != window.maximumSize();
}
