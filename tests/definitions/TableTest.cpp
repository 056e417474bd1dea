#include "definitions/Table.h"
#include "definitions/XMLData.h"

#include "common/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A vehicle whose catalogue and ini file live in a fresh temporary folder.
struct Fixture : ::testing::Test {
    TempDir dir;
    TVehicle v{nullptr, dir.File("Scales.xml"), dir.File("QuorvinV4.ini"), dir.File("none.xml")};

    void SetUp() override {
        v.Vehicles->Insert();
        v.Vehicles->SetAsString("VCode", "T");
        v.Vehicles->Post();
    }
    void addModule(const std::string& code, const std::string& mode = "$01") {
        v.Modules->Insert();
        v.Modules->SetAsString("MCode", code);
        v.Modules->SetAsString("ModeByte", mode);
        v.Modules->Post();
    }
    void addRequest(const std::string& code) {
        v.Requests->Insert();
        v.Requests->SetAsString("RCode", code);
        v.Requests->Post();
    }
    void addAttr(const std::string& code, double start, int atype = 0) {
        v.Attrs->Insert();
        v.Attrs->SetAsString("ACode", code);
        v.Attrs->SetAsFloat("Start", start);
        v.Attrs->SetAsInteger("AType", atype);
        v.Attrs->Post();
    }
    void addBitRow(TTable& t, int bit, int dash = 0) {
        t.Insert();
        t.SetAsInteger("Bit", bit);
        t.SetAsInteger("Dash", dash);
        t.Post();
    }
    std::vector<std::string> codes(TTable& t, const std::string& field) {
        std::vector<std::string> out;
        for (t.First(); !t.Eof(); t.Next()) {
            out.push_back(t.AsString(field));
        }
        return out;
    }
};

using TableTest = Fixture;

TEST_F(TableTest, RecordsFollowTheSortedKeyWithTextWithoutRegardToCase) {
    addModule("ecm", "$01");
    addModule("BCM");
    addModule("ECM", "$00");
    addModule("ECM", "$01");
    EXPECT_EQ(codes(*v.Modules, "MCode"), (std::vector<std::string>{"BCM", "ECM", "ECM", "ecm"}));
    std::vector<std::string> modes = codes(*v.Modules, "ModeByte");
    EXPECT_EQ(modes[1], "$00"); // code first, then mode byte
    v.Attrs->Cancel();
    addRequest("R");
    addAttr("B", 10.0);
    addAttr("A", 2.5);
    addAttr("C", 2.5);
    EXPECT_EQ(codes(*v.Attrs, "ACode"), (std::vector<std::string>{"A", "C", "B"}));
}

TEST_F(TableTest, ChildTableShowsTheChildrenOfTheParentsCurrentRecord) {
    addModule("A");
    addRequest("A1");
    addRequest("A2");
    addModule("B");
    addRequest("B1");
    v.Modules->First();
    EXPECT_EQ(codes(*v.Requests, "RCode"), (std::vector<std::string>{"A1", "A2"}));
    v.Requests->Last();
    v.Modules->Next();
    EXPECT_EQ(v.Requests->RecNo(), 0); // the child cursor goes to the first child
    EXPECT_EQ(v.Requests->AsString("RCode"), "B1");
    EXPECT_EQ(v.Requests->RecordCount(), 1);
    v.Modules->Next(); // past the last: Eof, the record stays
    EXPECT_TRUE(v.Modules->Eof());
    EXPECT_EQ(v.Modules->AsString("MCode"), "B");
}

TEST_F(TableTest, LoopsForwardAndBackwardVisitEveryRecord) {
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        std::vector<std::string> forward = codes(*v.Modules, "MCode");
        std::vector<std::string> backward;
        for (v.Modules->Last(); !v.Modules->Bof(); v.Modules->Prior()) {
            backward.insert(backward.begin(), v.Modules->AsString("MCode"));
        }
        EXPECT_TRUE(v.Modules->Bof());
        EXPECT_EQ(backward, forward);
        EXPECT_EQ(static_cast<int>(forward.size()), n);
        addModule("M" + std::to_string(n));
    }
}

TEST_F(TableTest, EditingAKeyMovesTheRecordAndTheCursorFollows) {
    addModule("A");
    addModule("C");
    v.Modules->First();
    v.Modules->Edit();
    v.Modules->SetAsString("MCode", "D");
    v.Modules->Post();
    EXPECT_EQ(v.Modules->AsString("MCode"), "D");
    EXPECT_EQ(v.Modules->RecNo(), 1);
    EXPECT_EQ(codes(*v.Modules, "MCode"), (std::vector<std::string>{"C", "D"}));
}

TEST_F(TableTest, UniqueKeyIsCheckedAmongSiblingsOnly) {
    addModule("M");
    addRequest("R");
    addAttr("A", 1, atDTC);
    addBitRow(*v.DTCs, 3);
    v.DTCs->Insert();
    v.DTCs->SetAsInteger("Bit", 3);
    try {
        v.DTCs->Post();
        FAIL() << "a second row with Bit 3 was posted";
    } catch (const EQuorvinError& e) {
        EXPECT_NE(std::string(e.what()).find("Key violation"), std::string::npos) << e.what();
    }
    EXPECT_EQ(v.DTCs->State(), TTableState::dsInsert); // stays unposted
    v.DTCs->Cancel();
    EXPECT_EQ(v.DTCs->RecordCount(), 1);

    addAttr("B", 2, atDTC);
    EXPECT_NO_THROW(addBitRow(*v.DTCs, 3)); // same Bit under another attribute
    // An edit that collides is refused as well and can be cancelled.
    addBitRow(*v.DTCs, 4);
    v.DTCs->Edit();
    v.DTCs->SetAsInteger("Bit", 3);
    EXPECT_THROW(v.DTCs->Post(), EQuorvinError);
    v.DTCs->Cancel();
    EXPECT_EQ(codes(*v.DTCs, "Bit"), (std::vector<std::string>{"3", "4"}));
}

TEST_F(TableTest, IdsAreUniqueAcrossParentsAndAssignedByTheTable) {
    addModule("A");
    addRequest("R");
    addModule("B");
    addRequest("R");
    std::vector<int> ids;
    for (v.Modules->First(); !v.Modules->Eof(); v.Modules->Next()) {
        ids.push_back(v.Requests->AsInteger("RID"));
    }
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_GT(ids[0], 0);
    EXPECT_NE(ids[0], ids[1]);
    v.Requests->Edit();
    EXPECT_THROW(v.Requests->SetAsInteger("RID", 77), EQuorvinError);
    v.Requests->Cancel();
}

TEST_F(TableTest, CancelledInsertDropsTheRecordAndItsChildren) {
    addModule("A");
    v.Modules->Insert();
    v.Modules->SetAsString("MCode", "B");
    addRequest("B1"); // a child of the record being inserted
    EXPECT_EQ(v.Requests->RecordCount(), 1);
    v.Modules->Cancel();
    EXPECT_EQ(v.Modules->RecordCount(), 1);
    EXPECT_EQ(v.Modules->AsString("MCode"), "A");
    EXPECT_EQ(v.Requests->RecordCount(), 0);
}

TEST_F(TableTest, MovingTheCursorPostsAPendingEdit) {
    addModule("A");
    addModule("B");
    v.Modules->First();
    v.Modules->Edit();
    v.Modules->SetAsString("MDesc", "changed");
    v.Modules->Next();
    EXPECT_EQ(v.Modules->State(), TTableState::dsBrowse);
    v.Modules->First();
    EXPECT_EQ(v.Modules->AsString("MDesc"), "changed");
}

TEST_F(TableTest, LocateAndBookmarks) {
    addModule("A");
    addModule("B");
    addModule("C");
    EXPECT_TRUE(v.Modules->Locate("MCode", "B"));
    TBookmark b = v.Modules->Bookmark();
    EXPECT_FALSE(v.Modules->Locate("MCode", "b")); // exact match
    EXPECT_EQ(v.Modules->AsString("MCode"), "B");  // not found: the cursor stays
    int mid = v.Modules->AsInteger("MID");
    v.Modules->First();
    EXPECT_TRUE(v.Modules->Locate("MID", TValue(mid)));
    EXPECT_TRUE(v.Modules->Locate("MID", std::to_string(mid).c_str())); // text converted
    v.Modules->Last();
    EXPECT_TRUE(v.Modules->GotoBookmark(b));
    EXPECT_EQ(v.Modules->AsString("MCode"), "B");
    v.Modules->Delete();
    EXPECT_FALSE(v.Modules->GotoBookmark(b)); // the record is gone
}

TEST_F(TableTest, SettersNeedEditOrInsert) {
    EXPECT_THROW(v.Vehicles->SetAsString("VCode", "X"), EQuorvinError);
    EXPECT_THROW(v.Vehicles->AsString("NoSuchField"), EQuorvinError);
    EXPECT_EQ(v.Vehicles->AsString("vcode"), "T");  // names match without regard to case
    EXPECT_THROW(v.Modules->Edit(), EQuorvinError); // no current record
    EXPECT_THROW(v.Modules->Delete(), EQuorvinError);
}

TEST_F(TableTest, ValuesConvertToTheFieldTypeOrAreRefused) {
    struct Case {
        const char* field;
        TValue in;
        bool ok;
        std::string text; // AsString afterwards when ok
    };
    const std::vector<Case> cases = {
        {"VCode", std::string(30, 'x'), true, std::string(20, 'x')}, // str(20) cut
        {"VCode", std::string("\xC3\xA9") + std::string(19, 'a') + "\xC3\xA9", true,
         std::string("\xC3\xA9") + std::string(19, 'a')}, // cut by characters
        {"VCode", std::string(""), true, ""},
        {"T1", std::string(" 42 "), true, "42"},
        {"T1", std::string("4x"), false, ""},
        {"T1", std::string("99999999999"), false, ""},
        {"T1", 3.0, true, "3"},
        {"T1", 3.5, false, ""},
        {"T1", true, true, "1"},
        {"Chatter", std::string("TRUE"), true, "True"},
        {"Chatter", std::string("false"), true, "False"},
        {"Chatter", std::string("maybe"), false, ""},
        {"Chatter", 0, true, "False"},
        {"Date", std::string("20240229"), true, "2024-02-29"},
        {"Date", std::string("2023-02-29"), false, ""},
        {"Date", std::string("20231301"), false, ""},
        {"Date", 19991231, true, "1999-12-31"},
        {"Comments", std::string("a\nb"), true, "a\nb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field + std::string(" <- ") + TTable::ValueText(c.in, TFieldType::ftString));
        v.Vehicles->Edit();
        v.Vehicles->SetNull(c.field);
        if (c.ok) {
            v.Vehicles->SetValue(c.field, c.in);
            EXPECT_EQ(v.Vehicles->AsString(c.field), c.text);
        } else {
            EXPECT_THROW(v.Vehicles->SetValue(c.field, c.in), EQuorvinError);
            EXPECT_TRUE(v.Vehicles->IsNull(c.field));
        }
        v.Vehicles->Post();
    }
    v.Modules->Insert();
    v.Modules->SetAsString("MCode", "M");
    v.Modules->Post();
    v.Requests->Insert();
    v.Requests->Post();
    v.Attrs->Insert();
    v.Attrs->SetAsString("Start", "12,5"); // a comma reads as the decimal separator
    v.Attrs->Post();
    EXPECT_DOUBLE_EQ(v.Attrs->AsFloat("Start"), 12.5);
    v.Attrs->Edit();
    EXPECT_THROW(v.Attrs->SetAsString("Start", "nan"), EQuorvinError);
    v.Attrs->Cancel();
}

TEST_F(TableTest, EmptyFieldsReadAsZeroEmptyAndFalse) {
    EXPECT_TRUE(v.Vehicles->IsNull("T1"));
    EXPECT_EQ(v.Vehicles->AsInteger("T1"), 0);
    EXPECT_EQ(v.Vehicles->AsFloat("T1"), 0.0);
    EXPECT_EQ(v.Vehicles->AsString("Email"), "");
    EXPECT_FALSE(v.Vehicles->AsBool("Chatter"));
    EXPECT_EQ(v.Modules->AsString("MCode"), ""); // no record at all
}

TEST_F(TableTest, ObserversAreSilentWhileControlsAreDisabled) {
    std::vector<TTableEvent> events;
    int id = v.Modules->AddObserver([&](TTable&, TTableEvent e) { events.push_back(e); });
    addModule("A");
    EXPECT_FALSE(events.empty());
    events.clear();
    v.Modules->DisableControls();
    addModule("B");
    v.Modules->First();
    EXPECT_TRUE(events.empty());
    v.Modules->EnableControls();
    EXPECT_EQ(events, (std::vector<TTableEvent>{TTableEvent::teDataChanged}));
    v.Modules->RemoveObserver(id);
    events.clear();
    v.Modules->Next();
    EXPECT_TRUE(events.empty());
}

TEST_F(TableTest, TablesWithoutAKeyKeepTheirOrder) {
    TTable& s = v.ScaleCodes;
    for (const char* code : {"Z", "A", "M"}) {
        s.Append();
        s.SetAsString("SCode", code);
        s.Post();
    }
    s.First();
    s.Next(); // on "A": insert goes before it
    s.Insert();
    s.SetAsString("SCode", "B");
    s.Post();
    EXPECT_EQ(codes(s, "SCode"), (std::vector<std::string>{"Z", "B", "A", "M"}));
}

} // namespace
