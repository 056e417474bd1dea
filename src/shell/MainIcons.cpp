// Images of the main window's commands and page tabs: the bundled icons (src/resources) when
// present, else the style's own, else a simple drawn glyph, so every command has an image.
#include "shell/Main.h"

#include "shell/MenuHelpers.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace {

QIcon bundled(const QString& name) {
    InitQuorvinResources();
    for (const char* suffix : {".svg", ".png"}) {
        const QString path = ":/icons/" + name + suffix;
        if (QFile::exists(path)) {
            return QIcon(path);
        }
    }
    return {};
}

QIcon styled(const QString& name) {
    static const struct {
        const char* name;
        QStyle::StandardPixmap pixmap;
    } table[] = {
        {"new", QStyle::SP_FileIcon},
        {"open", QStyle::SP_DialogOpenButton},
        {"save", QStyle::SP_DialogSaveButton},
        {"start", QStyle::SP_MediaPlay},
        {"pause", QStyle::SP_MediaPause},
        {"stop", QStyle::SP_MediaStop},
        {"play_back", QStyle::SP_MediaSeekForward},
        {"replot", QStyle::SP_BrowserReload},
        {"help", QStyle::SP_DialogHelpButton},
        {"select_vehicle", QStyle::SP_DirOpenIcon},
        {"properties", QStyle::SP_FileDialogDetailedView},
    };
    for (const auto& entry : table) {
        if (name == entry.name) {
            return QApplication::style()->standardIcon(entry.pixmap);
        }
    }
    return {};
}

// A plain glyph on a transparent 32 x 32 image: a letter in a rounded square of a colour.
QIcon drawn(const QString& text, QColor colour) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(colour.darker(140));
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(2.5, 2.5, 27, 27), 6, 6);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(text.size() > 1 ? 13 : 18);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(pixmap.rect(), Qt::AlignCenter, text);
    return QIcon(pixmap);
}

} // namespace

QIcon MainIcon(const char* name) {
    const QString key = QString::fromLatin1(name);
    QIcon icon = bundled(key);
    if (icon.isNull()) {
        icon = styled(key);
    }
    if (icon.isNull()) {
        icon = drawn(key.left(1).toUpper(), QColor(0x60, 0x60, 0x60));
    }
    return icon;
}

QIcon TabIcon(int page, bool on, bool codeSet) {
    static const char* const names[6] = {"macros", "aldl", "dashboard", "charts", "dtc", "flags"};
    const QString name = codeSet ? QString("tab_dtc_set")
                                 : QString("tab_%1_%2").arg(names[page % 6], on ? "on" : "off");
    QIcon icon = bundled(name);
    if (!icon.isNull()) {
        return icon;
    }
    static const QRgb colours[6] = {0x2f6fb0, 0x3a8a5a, 0xb07a20, 0x7a5aa8, 0xc03030, 0x5a6b7c};
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QColor colour = codeSet ? QColor(Qt::red) : QColor(colours[page % 6]);
    if (!on) {
        colour = QColor(0xa0, 0xa0, 0xa0);
    }
    p.setPen(colour.darker(130));
    p.setBrush(colour);
    p.drawEllipse(QRectF(3.5, 3.5, 9, 9));
    return QIcon(pixmap);
}
