#pragma once
#include <QFont>

#include <QSettings>
#include <cstdint>
#include <memory>
#include <string>

// A font as the settings store keeps it: four values under the font's name.
struct TFont {
    std::string Name = "Arial";
    int Size = 8;
    int Style = 0;      // fsBold | fsItalic | fsUnderline | fsStrikeOut
    uint32_t Color = 0; // 0x00BBGGRR
};
constexpr int fsBold = 1;
constexpr int fsItalic = 2;
constexpr int fsUnderline = 4;
constexpr int fsStrikeOut = 8;

// Conversions between the stored font and the toolkit's font (the colour is not part of a QFont).
QFont QFontOf(const TFont& font);
TFont FontOf(const QFont& font, uint32_t color);

// The per-user settings store of the gauges and the gauge dialog's placement: a settings file
// (organisation "Quorvin", application = the version, "V4" at creation) whose groups are the
// sections. Every write is flushed at once; a store that cannot be written skips the write and
// reads give their defaults.
class TProperties {
public:
    TProperties();
    TProperties(const TProperties&) = delete;
    TProperties& operator=(const TProperties&) = delete;

    // Replaces the last component of the base path: the store moves to that version's file.
    void SetVersion(const std::string& version);
    const std::string& Version() const { return version_; }
    std::string FileName() const; // the settings file in use

    bool ReadBool(const std::string& section, const std::string& name, bool def);
    void WriteBool(const std::string& section, const std::string& name, bool value);
    std::string ReadString(const std::string& section, const std::string& name,
                           const std::string& def);
    void WriteString(const std::string& section, const std::string& name, const std::string& value);
    int ReadInteger(const std::string& section, const std::string& name, int def);
    void WriteInteger(const std::string& section, const std::string& name, int value);
    // Changes the font only when name + ".Name" exists; then reads all four values.
    TFont ReadFont(const std::string& section, const std::string& name, const TFont& font);
    void WriteFont(const std::string& section, const std::string& name, const TFont& font);

private:
    QVariant read(const std::string& section, const std::string& name);
    void write(const std::string& section, const std::string& name, const QVariant& value);
    std::string version_ = "V4";
    std::unique_ptr<QSettings> settings_;
};

// The one store of the program, created on first use and kept until the program ends.
TProperties& SettingsStore();
