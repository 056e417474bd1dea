// The per-user settings store: values by section and name, fonts, versions, defaults.
#include "shell/GlimmCommon.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::string configHome() {
    const char* home = std::getenv("XDG_CONFIG_HOME");
    return home ? home : "";
}

} // namespace

TEST(GlimmCommonTest, ValuesRoundTripAndReachTheFileAtOnce) {
    TProperties store;
    ASSERT_FALSE(configHome().empty());
    EXPECT_EQ(store.FileName(), configHome() + "/Quorvin/V4.conf");
    store.WriteInteger("Dash", "Dash01Min", -40);
    store.WriteBool("Dash", "Dash01Visible", true);
    store.WriteBool("Dash", "Dash02Visible", false);
    store.WriteString("Windows", "Caption", "Dial, with comma = and \"quotes\"");
    EXPECT_EQ(store.ReadInteger("Dash", "Dash01Min", 0), -40);
    EXPECT_TRUE(store.ReadBool("Dash", "Dash01Visible", false));
    EXPECT_FALSE(store.ReadBool("Dash", "Dash02Visible", true));
    EXPECT_EQ(store.ReadString("Windows", "Caption", ""), "Dial, with comma = and \"quotes\"");

    // Flushed at once: another store (the next run of the program) reads the same.
    const std::string file = TempDir::Read(store.FileName());
    EXPECT_NE(file.find("Dash01Min"), std::string::npos);
    TProperties again;
    EXPECT_EQ(again.ReadInteger("Dash", "Dash01Min", 0), -40);
    EXPECT_EQ(SettingsStore().ReadString("Windows", "Caption", ""),
              "Dial, with comma = and \"quotes\"");
}

TEST(GlimmCommonTest, MissingOrUnreadableValuesGiveTheDefault) {
    TProperties store;
    EXPECT_EQ(store.ReadInteger("NoSuchSection", "x", 17), 17);
    EXPECT_TRUE(store.ReadBool("NoSuchSection", "x", true));
    EXPECT_EQ(store.ReadString("NoSuchSection", "x", "def"), "def");
    store.WriteString("Mixed", "Word", "abc");
    EXPECT_EQ(store.ReadInteger("Mixed", "Word", 5), 5);
    EXPECT_FALSE(store.ReadBool("Mixed", "Word", false));
    store.WriteInteger("Mixed", "Number", 12);
    EXPECT_EQ(store.ReadString("Mixed", "Number", ""), "12");
}

TEST(GlimmCommonTest, FontsAreFourValuesAndChangeOnlyWhenStored) {
    TProperties store;
    const TFont factory{"DejaVu Sans", 9, 0, 0x00FF0000};
    const TFont unchanged = store.ReadFont("Dash", "Dash05Font", factory);
    EXPECT_EQ(unchanged.Name, factory.Name);
    EXPECT_EQ(unchanged.Size, 9);
    EXPECT_EQ(unchanged.Color, 0x00FF0000u);

    const TFont font{"DejaVu Serif", 14, fsBold | fsStrikeOut, 0x0000FF80};
    store.WriteFont("Dash", "Dash05Font", font);
    EXPECT_EQ(store.ReadString("Dash", "Dash05Font.Name", ""), "DejaVu Serif");
    EXPECT_EQ(store.ReadInteger("Dash", "Dash05Font.Size", 0), 14);
    EXPECT_EQ(store.ReadInteger("Dash", "Dash05Font.Style", 0), fsBold | fsStrikeOut);
    EXPECT_EQ(store.ReadInteger("Dash", "Dash05Font.Color", 0), 0x0000FF80);
    const TFont read = store.ReadFont("Dash", "Dash05Font", factory);
    EXPECT_EQ(read.Name, "DejaVu Serif");
    EXPECT_EQ(read.Size, 14);
    EXPECT_EQ(read.Style, fsBold | fsStrikeOut);
    EXPECT_EQ(read.Color, 0x0000FF80u);

    const QFont q = QFontOf(read);
    EXPECT_TRUE(q.bold());
    EXPECT_TRUE(q.strikeOut());
    EXPECT_FALSE(q.italic());
    EXPECT_EQ(q.pointSize(), 14);
    const TFont back = FontOf(q, read.Color);
    EXPECT_EQ(back.Style, read.Style);
    EXPECT_EQ(back.Size, 14);
    EXPECT_EQ(back.Color, read.Color);
}

TEST(GlimmCommonTest, AnotherVersionIsAnotherStore) {
    TProperties store;
    store.WriteInteger("Dash", "Versioned", 4);
    store.SetVersion("V5");
    EXPECT_EQ(store.Version(), "V5");
    EXPECT_EQ(store.FileName(), configHome() + "/Quorvin/V5.conf");
    EXPECT_EQ(store.ReadInteger("Dash", "Versioned", -1), -1);
    store.WriteInteger("Dash", "Versioned", 5);
    store.SetVersion("V4");
    EXPECT_EQ(store.ReadInteger("Dash", "Versioned", -1), 4);
}
