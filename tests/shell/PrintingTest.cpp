// Printed pages checked on what reaches the paper: a recording page device keeps every text with
// its box, every line and picture, page by page. Console lines wrap to the page width and fill
// each page down to the footer; the header's texts never run into each other, the logo or the
// rules; the footer holds the time and the page number only.
#include "shell/Printing.h"
#include "support/gui/PrintRecorder.h"

#include <QRegularExpression>
#include <QStandardItemModel>
#include <gtest/gtest.h>

#include <map>

namespace {

using TText = TRecordingEngine::TText;
constexpr int W = TRecordingPages::Width, H = TRecordingPages::Height;
const QRectF Body(0, TPrintJob::BodyTop - 1, W,
                  H - TPrintJob::BodyBottomMargin - TPrintJob::BodyTop + 1);

// The texts on a page that lie in the body, top to bottom.
std::vector<TText> bodyTexts(const TRecordingEngine& e, int page) {
    std::vector<TText> in;
    for (const TText& t : e.TextsOn(page)) {
        if (t.Box.top() >= Body.top() && t.Box.top() < Body.bottom()) {
            in.push_back(t);
        }
    }
    return in;
}

bool overlap(const QRectF& a, const QRectF& b) {
    // Boxes that share only an edge (fractions of a dot) do not count.
    return a.adjusted(0.5, 0.5, -0.5, -0.5).intersects(b.adjusted(0.5, 0.5, -0.5, -0.5));
}

QString words(int from, int count) {
    QStringList w;
    for (int i = from; i < from + count; ++i) {
        w << QStringLiteral("word%1").arg(i);
    }
    return w.join(QLatin1Char(' '));
}

TEST(PrintedLines, WrapToThePageWidthAndFillEveryPageButTheLast) {
    struct Case {
        const char* name;
        QStringList lines;
    };
    QStringList many, mixed;
    for (int i = 0; i < 400; ++i) {
        many << QStringLiteral("07:03.%1: $F4,$57,$01,$00,$B4").arg(i, 3, 10, QLatin1Char('0'));
    }
    for (int i = 0; i < 120; ++i) {
        mixed << (i % 7 == 3 ? words(i * 100, 90) : QStringLiteral("line %1").arg(i));
    }
    mixed << QString(1500, QLatin1Char('$')) << QString() << QStringLiteral("last");
    for (const Case& c : {Case{"one line", {QStringLiteral("Ready.")}}, Case{"four hundred", many},
                          Case{"long lines among short ones", mixed}}) {
        SCOPED_TRACE(c.name);
        TRecordingPages pages;
        int printed = 0;
        {
            TPrintJob job(pages, [&] { return pages.NextPage(); });
            ASSERT_TRUE(job.IsActive());
            job.PrintHeader("Macros and Raw Data", "Vehicle type:        SIM", "", "");
            job.PrintLines(c.lines);
            job.PrintFooter();
            printed = job.PageNumber();
        }
        const TRecordingEngine& e = pages.engine;
        ASSERT_EQ(e.Page, printed);
        QString text;    // every printed piece, in order
        double step = 0; // the distance between two printed lines
        for (int page = 1; page <= printed; ++page) {
            const std::vector<TText> body = bodyTexts(e, page);
            ASSERT_FALSE(body.empty()) << "page " << page;
            for (size_t i = 0; i < body.size(); ++i) {
                const QRectF& box = body[i].Box;
                EXPECT_GE(box.left(), 100.0 - 0.5) << body[i].Text.toStdString();
                EXPECT_LE(box.right(), W - 100.0 + 0.5) << body[i].Text.toStdString();
                EXPECT_LE(box.bottom(), H - TPrintJob::BodyBottomMargin + 0.5);
                if (i > 0) {
                    EXPECT_GE(box.top(), body[i - 1].Box.bottom() - 0.5) << "lines overlap";
                    step = box.top() - body[i - 1].Box.top();
                }
                text += body[i].Text;
            }
            // A full page: no room for one more line above the footer.
            if (page < printed) {
                EXPECT_GT(body.back().Box.top() + 2 * step, H - TPrintJob::BodyBottomMargin)
                    << "page " << page << " ends at " << body.back().Box.bottom();
            }
        }
        // Nothing is cut off: the pieces hold every character that is not a blank.
        QString wanted = c.lines.join(QString());
        wanted.remove(QLatin1Char(' '));
        text.remove(QLatin1Char(' '));
        EXPECT_EQ(text, wanted);
    }
}

TEST(PrintedLines, WrapBetweenWordsAndIndentTheRest) {
    TRecordingPages pages;
    const QString line = words(0, 120);
    {
        TPrintJob job(pages, [&] { return pages.NextPage(); });
        job.PrintLines({line, QStringLiteral("next")});
    }
    const std::vector<TText> body = bodyTexts(pages.engine, 1);
    ASSERT_GE(body.size(), 3u);
    ASSERT_EQ(body.back().Text, "next");
    EXPECT_DOUBLE_EQ(body.back().Box.left(), 100.0); // a new line starts at the margin
    for (size_t i = 0; i + 1 < body.size(); ++i) {
        const QString piece = body[i].Text.trimmed();
        // Whole words only: every piece starts and ends on a word of the line.
        EXPECT_TRUE(QRegularExpression("^word\\d+( word\\d+)*$").match(piece).hasMatch())
            << piece.toStdString();
        if (i > 0) {
            EXPECT_GT(body[i].Box.left(), 100.0) << "a continued line is indented";
        }
    }
}

TEST(PrintedList, RowsFillEveryPageButTheLastAndTheColumnHeadsStartEachPage) {
    QStandardItemModel model(0, 2);
    model.setHorizontalHeaderLabels({"Description", "Scaled"});
    const int rows = 160;
    for (int i = 0; i < rows; ++i) {
        model.appendRow({new QStandardItem(QStringLiteral("Value %1").arg(i)),
                         new QStandardItem(QString::number(i))});
    }
    TRecordingPages pages;
    {
        TPrintJob job(pages, [&] { return pages.NextPage(); });
        job.PrintHeader("ALDL Data", "Vehicle type:        SIM-V8", "", "");
        job.PrintListView(model, {0, 1});
        job.PrintFooter();
    }
    const TRecordingEngine& e = pages.engine;
    ASSERT_GE(e.Page, 3);
    int next = 0; // the row expected next
    for (int page = 1; page <= e.Page; ++page) {
        const std::vector<TText> body = bodyTexts(e, page);
        ASSERT_GE(body.size(), 2u);
        EXPECT_EQ(body[0].Text, "Description") << "page " << page;
        EXPECT_EQ(body[1].Text, "Scaled") << "page " << page;
        double lastTop = 0, step = 0;
        for (const TText& t : body) {
            if (t.Text.startsWith("Value ")) {
                EXPECT_EQ(t.Text, QStringLiteral("Value %1").arg(next)) << "page " << page;
                ++next;
                step = t.Box.top() - lastTop;
                lastTop = t.Box.top();
            }
            EXPECT_LE(t.Box.bottom(), H - TPrintJob::BodyBottomMargin + 0.5);
        }
        if (page < e.Page) {
            EXPECT_GT(lastTop + 2 * step, H - TPrintJob::BodyBottomMargin) << "page " << page;
        }
    }
    EXPECT_EQ(next, rows);
}

TEST(PageHeader, TextsKeepClearOfEachOtherTheLogoAndTheRules) {
    struct Case {
        const char* name;
        QString title, line1, line2, line3;
    };
    const QString longName = QStringLiteral("Customer's file:    ") + QString(60, 'n') + ".alg";
    for (const Case& c :
         {Case{"usual", "Diagnostic Trouble Codes", "Vehicle type:        SIM-V8",
               "Customer's file:    run.alg",
               "Current frame:      12, at : 10:00:01.250, Note(s): 3"},
          Case{"long", QStringLiteral("Macros and Raw Data ").repeated(6), longName + longName,
               longName, QStringLiteral("Current frame:      ") + QString(300, '1')},
          Case{"empty", "", "", "", ""}}) {
        SCOPED_TRACE(c.name);
        TRecordingPages pages;
        {
            TPrintJob job(pages, [&] { return pages.NextPage(); });
            job.PrintHeader(c.title, c.line1, c.line2, c.line3);
            job.PrintFooter();
        }
        const TRecordingEngine& e = pages.engine;
        ASSERT_EQ(e.Pictures.size(), 1u); // the logo
        const QRectF logo = e.Pictures.front();
        std::vector<TText> header;
        for (const TText& t : e.Texts) {
            if (t.Box.top() < TPrintJob::BodyTop && !t.Text.isEmpty()) {
                header.push_back(t);
            }
        }
        for (size_t i = 0; i < header.size(); ++i) {
            const QRectF& box = header[i].Box;
            const std::string text = header[i].Text.toStdString();
            EXPECT_FALSE(overlap(box, logo)) << text;
            EXPECT_GE(box.left(), 100.0) << text;
            EXPECT_LE(box.bottom(), 480.0) << text;
            for (size_t j = 0; j < i; ++j) {
                EXPECT_FALSE(overlap(box, header[j].Box)) << text;
            }
            // No rule runs through a text.
            for (const auto& rule : e.Lines) {
                const QLineF& l = rule.Line;
                if (l.y1() == l.y2() && std::max(l.x1(), l.x2()) > box.left() &&
                    std::min(l.x1(), l.x2()) < box.right()) {
                    EXPECT_FALSE(l.y1() > box.top() + 0.5 && l.y1() < box.bottom() - 0.5)
                        << text << " crossed by the rule at " << l.y1();
                }
            }
        }
        // Texts too long for their room end in "..." rather than running off: here the
        // title, the first and the third line.
        if (QString(c.name) == "long") {
            int shortened = 0;
            for (const TText& t : header) {
                shortened += t.Text.endsWith(QChar(0x2026)) ? 1 : 0;
            }
            EXPECT_EQ(shortened, 3);
        }
        // The footer: the time printed and the page number, and no address of anyone.
        std::vector<QString> footer;
        for (const TText& t : e.Texts) {
            if (t.Box.top() > H - TPrintJob::BodyBottomMargin) {
                footer.push_back(t.Text);
            }
        }
        ASSERT_EQ(footer.size(), 2u);
        EXPECT_TRUE(footer[0].startsWith("Printed: ")) << footer[0].toStdString();
        EXPECT_EQ(footer[1], "- 1 -");
    }
}

TEST(PageHeader, APageBreakRepeatsTheHeaderOnTheNextPage) {
    TRecordingPages pages;
    QStringList lines;
    for (int i = 0; i < 200; ++i) {
        lines << QStringLiteral("line %1").arg(i);
    }
    {
        TPrintJob job(pages, [&] { return pages.NextPage(); });
        job.PrintHeader("Macros and Raw Data", "Vehicle type:        SIM-V8",
                        "Customer's file:    run.alg", "Current frame:      7");
        job.PrintLines(lines);
        job.PrintFooter();
    }
    const TRecordingEngine& e = pages.engine;
    ASSERT_GE(e.Page, 2);
    for (int page = 1; page <= e.Page; ++page) {
        std::map<QString, int> seen;
        for (const TText& t : e.TextsOn(page)) {
            ++seen[t.Text];
        }
        EXPECT_EQ(seen["Macros and Raw Data"], 1) << "page " << page;
        EXPECT_EQ(seen["Customer's file:    run.alg"], 1) << "page " << page;
        EXPECT_EQ(seen[QStringLiteral("- %1 -").arg(page)], 1) << "page " << page;
    }
}

} // namespace
