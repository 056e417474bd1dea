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

namespace {

QString keyOf(const std::string& section, const std::string& name) {
    return QString::fromStdString(section) + "/" + QString::fromStdString(name);
}

} // namespace

// An absent value reads as an invalid variant, so every reader falls back to its default.
QVariant TProperties::read(const std::string& section, const std::string& name) {
    if (settings_->status() == QSettings::FormatError) {
        return {};
    }
    return settings_->value(keyOf(section, name));
}

// Flushed at once, as nothing else would save the store if the program were killed.
void TProperties::write(const std::string& section, const std::string& name,
                        const QVariant& value) {
    if (!settings_->isWritable()) {
        return;
    }
    settings_->setValue(keyOf(section, name), value);
    settings_->sync();
}

bool TProperties::ReadBool(const std::string& section, const std::string& name, bool def) {
    bool ok = false;
    const int v = read(section, name).toInt(&ok);
    return ok ? v != 0 : def;
}

void TProperties::WriteBool(const std::string& section, const std::string& name, bool value) {
    write(section, name, value ? 1 : 0);
}

std::string TProperties::ReadString(const std::string& section, const std::string& name,
                                    const std::string& def) {
    const QVariant v = read(section, name);
    return v.isValid() ? v.toString().toStdString() : def;
}

void TProperties::WriteString(const std::string& section, const std::string& name,
                              const std::string& value) {
    write(section, name, QString::fromStdString(value));
}

int TProperties::ReadInteger(const std::string& section, const std::string& name, int def) {
    bool ok = false;
    const int v = read(section, name).toInt(&ok);
    return ok ? v : def;
}

void TProperties::WriteInteger(const std::string& section, const std::string& name, int value) {
    write(section, name, value);
}

TFont TProperties::ReadFont(const std::string& section, const std::string& name,
                            const TFont& font) {
    if (!read(section, name + ".Name").isValid()) {
        return font;
    }
    TFont f;
    f.Name = ReadString(section, name + ".Name", font.Name);
    f.Size = ReadInteger(section, name + ".Size", font.Size);
    f.Style = ReadInteger(section, name + ".Style", font.Style);
    f.Color =
        static_cast<uint32_t>(ReadInteger(section, name + ".Color", static_cast<int>(font.Color)));
    return f;
}

void TProperties::WriteFont(const std::string& section, const std::string& name,
                            const TFont& font) {
    WriteString(section, name + ".Name", font.Name);
    WriteInteger(section, name + ".Size", font.Size);
    WriteInteger(section, name + ".Style", font.Style);
    WriteInteger(section, name + ".Color", static_cast<int>(font.Color));
}

TProperties& SettingsStore() {
    static TProperties store;
    return store;
}
