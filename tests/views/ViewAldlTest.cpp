// The value list page with real widgets on the sample vehicle: rows and columns for every
// attribute type, "-" before the first frame, the alarm statistics, the view styles, the popup
// menu, the empty-page text and the attribute dialog with its comments.
#include "ListPageTestHost.h"

#include "views/InfoAldl.h"
#include "views/ViewAldl.h"

#include <QAction>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>

#include <chrono>
#include <cstdio>
#include <fstream>

namespace {

using V = TframeViewAldl;

class ViewAldlTest : public testing::Test, protected EngineHost {
protected:
    void SetUp() override {
        load();
        page.resize(646, 420);
        page.Populate();
    }
    int row(const char* code) { return rowOf(page.list(), V::colAttribute, code); }
    QString at(const char* code, int column) { return cell(page.list(), row(code), column); }
    QAction* menuEntry(QMenu& menu, const char* caption) {
        for (QAction* a : menu.actions()) {
            if (a->text() == QLatin1String(caption)) {
                return a;
            }
        }
        return nullptr;
    }

    TframeViewAldl page{engine};
};

TEST_F(ViewAldlTest, OneRowPerValueAttributeWithItsColumnsAndDashesBeforeTheFirstFrame) {
    // 33 attributes: one invisible, two flag and three DTC attributes are not listed.
    ASSERT_EQ(page.list().topLevelItemCount(), 27);
    EXPECT_EQ(page.list().columnCount(), V::ColumnCount);
    const char* captions[] = {"Attribute", "Description", "Module",  "Table", "Raw",  "Scaled",
                              "Units",     "Minimum",     "Maximum", "%Low",  "%High"};
    const int widths[] = {80, 160, 90, 45, 60, 60, 60, 60, 60, 45, 45};
    for (int c = 0; c < V::ColumnCount; ++c) {
        EXPECT_EQ(page.list().headerItem()->text(c), QLatin1String(captions[c]));
        // The widths given, or wider where the font needs it.
        EXPECT_GE(page.list().columnWidth(c), widths[c]) << captions[c];
    }
    EXPECT_EQ(cell(page.list(), 0, V::colAttribute), "PROMID");
    EXPECT_EQ(cell(page.list(), 1, V::colAttribute), "CTS"); // flags and DTCs left out
    EXPECT_EQ(cell(page.list(), 26, V::colAttribute), "FUEL");
    EXPECT_EQ(row("RES34"), -1);

    const TAttr& cts = attr("CTS");
    const QStringList expected = {"CTS",
                                  "Coolant temperature",
                                  "ECM",
                                  "0",
                                  "-",
                                  "-",
                                  "-",
                                  QString::fromStdString(NumberText(cts.Scale.AlarmMin)),
                                  QString::fromStdString(NumberText(cts.Scale.AlarmMax)),
                                  "-",
                                  "-"};
    for (int c = 0; c < V::ColumnCount; ++c) {
        EXPECT_EQ(at("CTS", c), expected[c]) << c;
    }
    // Numbers sit to the right, texts to the left.
    QTreeWidgetItem* first = page.list().topLevelItem(0);
    EXPECT_TRUE(first->textAlignment(V::colRaw) & Qt::AlignRight);
    EXPECT_FALSE(first->textAlignment(V::colUnits) & Qt::AlignRight);
    // The icon is the attribute's type, one of every type.
    for (const char* code : {"CTS", "CTSTAB", "IAC", "GEAR"}) {
        EXPECT_FALSE(page.list().topLevelItem(row(code))->icon(0).isNull()) << code;
    }
    EXPECT_FALSE(page.ShowsEmptyText());
}

TEST_F(ViewAldlTest, ShowValuesGivesRawAndValueTextsOfEveryType) {
    // RPM 1200 (data 12-13), coolant N = 160 (0.75 x 160 - 40 = 80), gear 3 = Drive, IAC 42.
    decode({{12, 0x04}, {13, 0xB0}, {8, 160}, {28, 3}, {20, 42}});
    page.ShowValues(false);
    EXPECT_EQ(at("RPM", V::colRaw), "1200");
    EXPECT_EQ(at("RPM", V::colScaled), "1200");
    EXPECT_EQ(at("RPM", V::colUnits), QString::fromStdString(attr("RPM").Scale.Units));
    EXPECT_EQ(at("CTS", V::colRaw), "160");
    EXPECT_EQ(at("CTS", V::colScaled), "80");
    EXPECT_EQ(at("GEAR", V::colScaled), "Drive");
    EXPECT_EQ(at("IAC", V::colScaled), "42");
    EXPECT_EQ(at("CTSTAB", V::colScaled), QString::fromStdString(ValueText(attr("CTSTAB"), false)));
    // Browsing counts nothing.
    EXPECT_EQ(at("RPM", V::colLow), "-");
    EXPECT_EQ(attr("RPM").SampleCount, 0);
}

// Values of the raw attribute IAC against alarm limits 10 .. 20, and the shares shown.
struct StatsCase {
    std::vector<int> values;
    const char* low;
    const char* high;
};

class ViewAldlStatsTest : public ViewAldlTest, public testing::WithParamInterface<StatsCase> {};

TEST_P(ViewAldlStatsTest, CountsOnlyLiveFramesBelowAndAboveTheLimits) {
    TAttr& iac = attr("IAC");
    iac.Scale.AlarmMin = 10;
    iac.Scale.AlarmMax = 20;
    engine.ResetValues();
    for (int v : GetParam().values) {
        decode({{20, v}});
        page.ShowValues(true);
    }
    EXPECT_EQ(at("IAC", V::colLow), GetParam().low);
    EXPECT_EQ(at("IAC", V::colHigh), GetParam().high);
    // Browsing afterwards changes the value but not the statistics.
    decode({{20, 99}});
    page.ShowValues(false);
    EXPECT_EQ(at("IAC", V::colRaw), "99");
    EXPECT_EQ(at("IAC", V::colLow), GetParam().low);
    EXPECT_EQ(iac.SampleCount, static_cast<float>(GetParam().values.size()));
}

INSTANTIATE_TEST_SUITE_P(Shares, ViewAldlStatsTest,
                         testing::Values(StatsCase{{5, 15, 15, 25}, "25", "25"},
                                         StatsCase{{5, 15, 15}, "33.3", "0"},
                                         StatsCase{{10, 20}, "0", "0"}, // the limits are inside
                                         StatsCase{{30}, "0", "100"}));

TEST_F(ViewAldlTest, ClearEmptiesTheFrameColumnsAndKeepsTheLimits) {
    decode({{20, 42}});
    page.ShowValues(true);
    page.Clear();
    for (int c : {V::colRaw, V::colScaled, V::colLow, V::colHigh}) {
        EXPECT_EQ(at("IAC", c), "-") << c;
    }
    EXPECT_EQ(at("CTS", V::colMinimum),
              QString::fromStdString(NumberText(attr("CTS").Scale.AlarmMin)));
}

TEST_F(ViewAldlTest, OtherStylesPutTheValueIntoTheCaptionAndDetailsTakesItOut) {
    decode({{12, 0x04}, {13, 0xB0}});
    page.ShowValues(false);
    page.SetViewStyle("List");
    EXPECT_EQ(page.ViewStyle(), "List");
    EXPECT_EQ(&page.shownView(), &page.iconView());
    EXPECT_EQ(page.iconView().flow(), QListView::TopToBottom);
    EXPECT_EQ(at("RPM: 1200", V::colScaled), "1200");
    // The list view shows the same rows.
    EXPECT_EQ(page.iconView().model()->rowCount(), 27);

    std::unique_ptr<QMenu> menu(page.CreatePopupMenu());
    EXPECT_TRUE(menuEntry(*menu, "List")->isChecked());
    menuEntry(*menu, "Details")->trigger();
    EXPECT_EQ(page.ViewStyle(), "Report");
    EXPECT_EQ(&page.shownView(), &page.list());
    EXPECT_EQ(at("RPM", V::colScaled), "1200");
}

TEST_F(ViewAldlTest, StyleTextsOfTheIniFileRoundTrip) {
    const std::pair<const char*, const char*> cases[] = {{"LargeIcons", "LargeIcons"},
                                                         {"smallicons", "SmallIcons"},
                                                         {"LIST", "List"},
                                                         {"Detail", "Report"},
                                                         {"", "Report"}};
    for (const auto& [given, kept] : cases) {
        page.SetViewStyle(given);
        EXPECT_EQ(page.ViewStyle(), kept) << given;
    }
    page.SetViewStyle("LargeIcons");
    EXPECT_EQ(page.iconView().viewMode(), QListView::IconMode);
    EXPECT_EQ(page.iconView().iconSize(), QSize(32, 32));
}

TEST_F(ViewAldlTest, MoreInfoIsEnabledOnlyWithASelectedRow) {
    std::unique_ptr<QMenu> menu(page.CreatePopupMenu());
    const QList<QAction*> entries = menu->actions();
    ASSERT_EQ(entries.size(), 6);
    EXPECT_TRUE(entries[4]->isSeparator());
    EXPECT_FALSE(menuEntry(*menu, "More info...")->isEnabled());
    EXPECT_TRUE(menuEntry(*menu, "Details")->isChecked());
    page.SelectRow(3);
    menu.reset(page.CreatePopupMenu());
    EXPECT_TRUE(menuEntry(*menu, "More info...")->isEnabled());
}

TEST_F(ViewAldlTest, AMacroOfOnlyTroubleCodesAndFlagsShowsTheEmptyPageText) {
    std::vector<TAttr>& attrs = engine.Items[0].Request.Attrs;
    std::erase_if(attrs, [](const TAttr& a) { return a.AType != 3 && a.AType != 4; });
    engine.Items[0].Request.AttrCount = static_cast<int32_t>(attrs.size());
    page.Populate();
    EXPECT_EQ(page.list().topLevelItemCount(), 0);
    EXPECT_TRUE(page.ShowsEmptyText());
    EXPECT_EQ(page.emptyText().text(),
              "\nThe currently selected macro does\nnot return any aldl data.\nTo display aldl "
              "data here, first\nselect a macro that returns aldl data.\n");
    page.ShowValues(true); // nothing to show, nothing breaks
    load();                // a macro with values again
    page.Populate();
    EXPECT_FALSE(page.ShowsEmptyText());
}

TEST_F(ViewAldlTest, MoreInfoShowsTheAttributeOfTheSelectedRow) {
    attr("GEAR").Comments = "Selector position\r\nfrom the range switch";
    page.SelectRow(row("GEAR"));
    QString title, description, text;
    int icon = -1;
    onNextModal([&](QDialog& dialog) {
        auto& info = static_cast<TfInfoAldl&>(dialog);
        title = info.windowTitle();
        description = info.description().text();
        text = info.memo().toPlainText();
        icon = info.ShownIcon();
    });
    page.MoreinfoClick();
    EXPECT_EQ(title, "Attribute...");
    EXPECT_EQ(description, "Gear selector");
    EXPECT_TRUE(text.startsWith("Selector position")) << text.toStdString();
    EXPECT_EQ(icon, 5);
}

// Comments of the dialog: none, plain text, a file, a file that is missing.
TEST_F(ViewAldlTest, TheDialogShowsCommentsOrTheFileTheyName) {
    const std::string file = dir.Write("cts.txt", "Sensor in the head\nNear cylinder 1\n");
    const std::string missing = dir.File("nowhere.txt");
    struct Case {
        std::string comments;
        std::vector<QString> contains;
        QString absent;
    };
    const Case cases[] = {
        {"", {"No extra information is available."}, {}},
        {"Plain words", {"Plain words"}, "No extra information"},
        {"File=" + file, {"loaded from file", "Sensor in the head", "Near cylinder 1"}, {}},
        {"FILE=" + missing, {"loaded from file", QString::fromStdString(missing)}, "Sensor"},
    };
    TfInfoAldl info(engine);
    for (const Case& c : cases) {
        attr("CTS").Comments = c.comments;
        info.RowIndex = row("CTS");
        info.FormActivate();
        const QString text = info.memo().toPlainText();
        for (const QString& part : c.contains) {
            EXPECT_TRUE(text.contains(part)) << c.comments << ": " << text.toStdString();
        }
        if (!c.absent.isEmpty()) {
            EXPECT_FALSE(text.contains(c.absent)) << c.comments;
        }
        EXPECT_EQ(info.description().text(), "Coolant temperature");
        EXPECT_EQ(info.ShownIcon(), 0);
    }
    EXPECT_GE(info.minimumWidth(), 350);
    EXPECT_EQ(info.minimumHeight(), 310);
}

// Time per frame of ShowValues on a 100-attribute list, with and without painting the page.
TEST_F(ViewAldlTest, DISABLED_ShowValuesBenchmark) {
    std::vector<TAttr>& attrs = engine.Items[0].Request.Attrs;
    std::vector<TAttr> values;
    for (const TAttr& a : attrs) {
        if (a.AType != 3 && a.AType != 4) {
            values.push_back(a);
        }
    }
    while (static_cast<int>(attrs.size()) < 100 + 5) {
        TAttr copy = values[attrs.size() % values.size()];
        copy.ACode += "_" + std::to_string(attrs.size());
        attrs.push_back(copy);
    }
    engine.Items[0].Request.AttrCount = static_cast<int32_t>(attrs.size());
    page.Populate();
    ASSERT_GE(page.list().topLevelItemCount(), 100);
    page.show();
    QApplication::processEvents();

    constexpr int frames = 1000;
    std::vector<std::unique_ptr<TPacket>> packets;
    for (int i = 0; i < frames; ++i) {
        packets.push_back(frame(i / 12.0));
    }
    using Clock = std::chrono::steady_clock;
    for (bool paint : {false, true}) {
        engine.ResetValues();
        Clock::duration showing{}, painting{};
        for (int i = 0; i < frames; ++i) {
            engine.DecodeFrame(*packets[i], true);
            auto t0 = Clock::now();
            page.ShowValues(true);
            auto t1 = Clock::now();
            if (paint) {
                page.list().viewport()->repaint();
            }
            showing += t1 - t0;
            painting += Clock::now() - t1;
        }
        auto us = [](Clock::duration d) {
            return std::chrono::duration<double, std::micro>(d).count() / frames;
        };
        std::printf("ShowValues, %d rows, %d frames: %.1f us per frame",
                    page.list().topLevelItemCount(), frames, us(showing));
        if (paint) {
            std::printf(", repainting the list %.1f us per frame", us(painting));
        }
        std::printf("\n");
    }
}

} // namespace
