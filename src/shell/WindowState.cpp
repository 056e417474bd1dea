#include "shell/WindowState.h"

#include "common/Common.h"
#include "common/IniFile.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

void LoadWindowState(QWidget& window, const std::string& section, const TIniFile& ini) {
    std::string state = ini.ReadString(section, "State", "Normal");
    if (state == "Maximized") {
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
        return;
    }
    window.setWindowState(window.windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    const QPoint at = window.pos();
    QRect bounds(ini.ReadInteger(section, "Left", at.x()), ini.ReadInteger(section, "Top", at.y()),
                 window.width(), window.height());
    if (IsSizeable(window)) {
        bounds.setSize(QSize(ini.ReadInteger(section, "Width", window.width()),
                             ini.ReadInteger(section, "Height", window.height())));
    }
    bounds = OnScreen(bounds, window.minimumSize());
    window.move(bounds.topLeft());
    if (IsSizeable(window)) {
        window.resize(bounds.size());
    }
}

QRect OnScreen(const QRect& bounds, const QSize& minimum) {
    // The screen the stored corner lies on, else the main one (a screen since unplugged).
    const QScreen* screen = QGuiApplication::screenAt(bounds.topLeft());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    if (!screen) {
        return bounds;
    }
    const QRect area = screen->availableGeometry();
    const int width =
        std::clamp(bounds.width(), std::min(minimum.width(), area.width()), area.width());
    const int height =
        std::clamp(bounds.height(), std::min(minimum.height(), area.height()), area.height());
    const int left = std::clamp(bounds.left(), area.left(), area.right() + 1 - width);
    const int top = std::clamp(bounds.top(), area.top(), area.bottom() + 1 - height);
    return QRect(left, top, width, height);
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
