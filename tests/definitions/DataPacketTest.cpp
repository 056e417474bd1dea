#include "definitions/DataPacket.h"
#include "definitions/XMLData.h"

#include "common/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::string sampleFile() {
    return TempDir::Read(std::string(QUORVIN_SOURCE_DIR) + "/data/vehicles/SIM-V8.xml");
}

TEST(DataPacketTest, FieldsInAnyOrderAndForeignAttributesAreRead) {
    TTable t(VehiclesLayout());
    std::string text = "<?xml version=\"1.0\"?><DATAPACKET Version=\"2.0\"><ROWDATA>"
                       "<ROW RowState=\"4\" T6=\"40\" VCode=\"ORDER\" Chatter=\"FALSE\">"
                       "<Macros><ROWMacros MacCode=\"M\" Restart=\"TRUE\"/></Macros>"
                       "<Modules><ROWModules MCode=\"B\"/><ROWModules MCode=\"A\"/></Modules>"
                       "</ROW></ROWDATA></DATAPACKET>";
    ReadDataPacket(text.data(), text.size(), t);
    ASSERT_EQ(t.RecordCount(), 1);
    EXPECT_EQ(t.AsString("VCode"), "ORDER");
    EXPECT_EQ(t.AsInteger("T6"), 40);
    EXPECT_FALSE(t.AsBool("Chatter"));
    TTable& modules = t.Nested("Modules");
    ASSERT_EQ(modules.RecordCount(), 2);
    EXPECT_EQ(modules.AsString("MCode"), "A"); // in key order
    EXPECT_TRUE(t.Nested("Macros").AsBool("Restart"));
}

TEST(DataPacketTest, TextsThatAreNotUtf8AreReadAsWindows1252) {
    TTable t(ScaleCodesLayout());
    std::string text = "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET><ROWDATA>"
                       "<ROW SCode=\"TEMP\" Units=\"\xB0"
                       "C\" Comments=\"K\xFChlmittel&#13;&#10;\x80\"/>"
                       "<ROW SCode=\"NEW\" Units=\"\xC2\xB0"
                       "F\"/></ROWDATA></DATAPACKET>";
    ReadDataPacket(text.data(), text.size(), t);
    ASSERT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.AsString("Units"), "\u00B0"
                                   "C");
    EXPECT_EQ(t.AsString("Comments"), "K\u00FChlmittel\r\n\u20AC");
    t.Next();
    EXPECT_EQ(t.AsString("Units"), "\u00B0"
                                   "F"); // already UTF-8: as it is
}

TEST(DataPacketTest, TheCheckSeesTheShapeBeforeAnyRowIsRead) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> fields;
        int rows;
    };
    const std::vector<Case> cases = {
        {"declared",
         "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"SCode\"/><FIELD "
         "attrname=\"Factor\"/></FIELDS></METADATA><ROWDATA><ROW SCode=\"A\"/>"
         "<ROW SCode=\"B\"/></ROWDATA></DATAPACKET>",
         {"SCode", "Factor"},
         2},
        {"first row",
         "<DATAPACKET><METADATA><FIELDS/></METADATA><ROWDATA><ROW VCode=\"A\">"
         "<Modules/></ROW></ROWDATA></DATAPACKET>",
         {"VCode", "Modules"},
         1},
        {"nothing", "<DATAPACKET><ROWDATA/></DATAPACKET>", {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTable t(VehiclesLayout());
        TDataPacketShape seen;
        auto refuse = [&seen](const TDataPacketShape& shape) {
            seen = shape;
            throw EQuorvinError("refused");
        };
        EXPECT_THROW(ReadDataPacket(c.text.data(), c.text.size(), t, -1, refuse), EQuorvinError);
        EXPECT_EQ(seen.Fields, c.fields);
        EXPECT_EQ(seen.Rows, c.rows);
        EXPECT_EQ(t.RecordCount(), 0);
    }
}

TEST(DataPacketTest, StoredIdsAreKeptWhileFreeAndReassignedWhenTaken) {
    TTable t(VehiclesLayout());
    std::string text = "<DATAPACKET><ROWDATA><ROW VID=\"7\"><Modules>"
                       "<ROWModules MID=\"40\" MCode=\"A\"/><ROWModules MID=\"40\" MCode=\"B\"/>"
                       "<ROWModules MID=\"-3\" MCode=\"C\"/></Modules></ROW></ROWDATA>"
                       "</DATAPACKET>";
    ReadDataPacket(text.data(), text.size(), t);
    EXPECT_EQ(t.AsInteger("VID"), 7);
    TTable& m = t.Nested("Modules");
    std::vector<int> ids;
    for (m.First(); !m.Eof(); m.Next()) {
        ids.push_back(m.AsInteger("MID"));
    }
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids[0], 40);
    EXPECT_NE(ids[1], 40);
    EXPECT_GT(ids[1], 0);
    EXPECT_GT(ids[2], 0);
    EXPECT_NE(ids[1], ids[2]);
}

// Mutated copies of the sample vehicle: every one either loads or is reported once, and a
// refused file leaves the loaded definition as it was.
TEST(DataPacketTest, MutatedFilesNeverCrashOrHalfReplaceTheDefinition) {
    TempDir dir;
    std::vector<std::string> errors;
    TVehicle v(nullptr, dir.File("Scales.xml"), dir.File("Q.ini"), dir.File("none.xml"));
    v.SetErrorReporter([&](const std::string& m) { errors.push_back(m); });
    const std::string original = sampleFile();
    std::string good = dir.Write("good.xml", original);
    ASSERT_TRUE(v.LoadFromFile(good));
    const std::string saved = WriteDataPacket(*v.Vehicles);

    std::mt19937 random(20261209);
    const std::string tokens[] = {"<",     ">",        "/>",
                                  "\"",    "&",        "&#0;",
                                  "<ROW>", "</Attrs>", "<DTCs><ROWDTCs Bit=\"1\"/></DTCs>",
                                  "=",     "\xFF\xFE", std::string("a\0b", 3)};
    int loaded = 0;
    for (int i = 0; i < 1000; ++i) {
        std::string m = original;
        int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            size_t at = random() % m.size();
            switch (random() % 5) {
            case 0:
                m[at] = static_cast<char>(random() % 256);
                break;
            case 1:
                m.erase(at, 1 + random() % 40);
                break;
            case 2:
                m.insert(at, tokens[random() % std::size(tokens)]);
                break;
            case 3:
                m.resize(at);
                break;
            default:
                m.insert(at, m.substr(random() % m.size(), random() % 200));
                break;
            }
            if (m.empty()) {
                m = "<";
            }
        }
        errors.clear();
        std::string file = dir.Write("m.xml", m);
        bool ok = v.LoadFromFile(file);
        if (ok) {
            ++loaded;
            EXPECT_TRUE(errors.empty());
            EXPECT_LE(v.Vehicles->RecordCount(), 1);
            WriteDataPacket(*v.Vehicles); // what loaded can be written
            ASSERT_TRUE(v.LoadFromFile(good));
        } else {
            ASSERT_EQ(errors.size(), 1u) << "mutation " << i;
            EXPECT_EQ(v.FileName, good);
            ASSERT_EQ(WriteDataPacket(*v.Vehicles), saved) << "mutation " << i;
        }
    }
    EXPECT_GT(loaded, 0); // the table holds both kinds
}

} // namespace
