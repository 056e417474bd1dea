#include "shell/GlimmCommon.h"

QFont QFontOf(const TFont& font) {
    QFont f(QString::fromStdString(font.Name), font.Size);
    f.setBold(font.Style & fsBold);
    f.setItalic(font.Style & fsItalic);
    f.setUnderline(font.Style & fsUnderline);
    f.setStrikeOut(font.Style & fsStrikeOut);
    return f;
}

TFont FontOf(const QFont& font, uint32_t color) {
    TFont f;
    f.Name = font.family().toStdString();
    f.Size = font.pointSize() > 0 ? font.pointSize() : 8;
    f.Style = (font.bold() ? fsBold : 0) | (font.italic() ? fsItalic : 0) |
              (font.underline() ? fsUnderline : 0) | (font.strikeOut() ? fsStrikeOut : 0);
    f.Color = color;
    return f;
}

TProperties::TProperties() {
    SetVersion(version_);
}

void TProperties::SetVersion(const std::string& version) {
    version_ = version;
    settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            "Quorvin", QString::fromStdString(version));
}

std::string TProperties::FileName() const {
    return settings_->fileName().toStdString();
}

QVariant TProperties::read(const std::string&, const std::string&) {
    return {};
}
void TProperties::write(const std::string&, const std::string&, const QVariant&) {}

bool TProperties::ReadBool(const std::string&, const std::string&, bool def) {
    return def;
}
void TProperties::WriteBool(const std::string&, const std::string&, bool) {}
std::string TProperties::ReadString(const std::string&, const std::string&,
                                    const std::string& def) {
    return def;
}
void TProperties::WriteString(const std::string&, const std::string&, const std::string&) {}
int TProperties::ReadInteger(const std::string&, const std::string&, int def) {
    return def;
}
void TProperties::WriteInteger(const std::string&, const std::string&, int) {}
TFont TProperties::ReadFont(const std::string&, const std::string&, const TFont& font) {
    return font;
}
void TProperties::WriteFont(const std::string&, const std::string&, const TFont&) {}

TProperties& SettingsStore() {
    static TProperties store;
    return store;
}
