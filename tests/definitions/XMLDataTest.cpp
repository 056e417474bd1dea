#include "definitions/XMLData.h"

#include "common/Common.h"
#include "definitions/DataPacket.h"
#include "support/NamedPipe.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string packet(const std::string& rows) {
    return "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA>"
           "<FIELDS/><PARAMS/></METADATA><ROWDATA>" +
           rows + "</ROWDATA></DATAPACKET>";
}

struct XMLDataTest : ::testing::Test {
    TempDir dir;
    std::vector<std::string> errors;
    std::unique_ptr<TVehicle> v;

    void SetUp() override { v = make(); }
    std::unique_ptr<TVehicle> make() {
        auto p = std::make_unique<TVehicle>(nullptr, dir.File("Scales.xml"), dir.File("Q.ini"),
                                            dir.File("seed.xml"));
        p->SetErrorReporter([this](const std::string& m) { errors.push_back(m); });
        return p;
    }
    // One vehicle with one module, request and attribute of each kind.
    void buildSample() {
        TTable& veh = *v->Vehicles;
        veh.Insert();
        veh.SetAsString("VCode", "VT-V6");
        veh.Post();
        for (const char* code : {"ECM", "BCM"}) {
            v->Modules->Insert();
            v->Modules->SetAsString("MCode", code);
            v->Modules->Post();
            v->Requests->Insert();
            v->Requests->SetAsString("RCode", "R0");
            v->Requests->Post();
            for (int a = 0; a < 3; ++a) {
                v->Attrs->Insert();
                v->Attrs->SetAsString("ACode", "A" + std::to_string(a));
                v->Attrs->SetAsFloat("Start", a + 1);
                v->Attrs->SetAsInteger("AType", a == 0 ? atScaled : (a == 1 ? atDTC : atFlags));
                v->Attrs->SetAsInteger("Chart", 1);
                v->Attrs->SetAsInteger("Series", a + 1);
                v->Attrs->SetAsInteger("Dash", a == 0 ? 5 : 0);
                v->Attrs->Post();
                v->AScale->Insert();
                v->AScale->SetAsString("SCode", "S");
                v->AScale->Post();
                TTable& rows = a == 1 ? *v->DTCs : *v->Flags;
                for (int bit = 0; bit < 3 && a > 0; ++bit) {
                    rows.Insert();
                    rows.SetAsInteger("Bit", bit);
                    rows.SetAsInteger("Dash", bit == 1 ? 5 : bit + 10);
                    rows.Post();
                }
            }
        }
        v->Macros->Insert();
        v->Macros->SetAsString("MacCode", "M");
        v->Macros->Post();
        v->Items->Insert();
        v->Items->SetAsInteger("Seq", 1);
        v->Items->Post();
    }
};

TEST_F(XMLDataTest, FileNamesAreNormalisedToXml) {
    struct Case {
        const char* in;
        const char* out;
    };
    for (const Case& c : std::vector<Case>{{"/cars/vt", "/cars/vt.xml"},
                                           {"/cars/vt.txt", "/cars/vt.xml"},
                                           {"/cars/vt.xml", "/cars/vt.xml"},
                                           {"/cars.d/vt", "/cars.d/vt.xml"},
                                           {"/cars/vt.v6.bak", "/cars/vt.v6.xml"},
                                           {"/cars/VT.XML", "/cars/VT.XML"},
                                           {"/cars/vt.Xml", "/cars/vt.Xml"},
                                           {"/cars/.XML", "/cars/.XML"},
                                           {"/cars/.xml", "/cars/.xml"},
                                           {"/cars/.hidden", "/cars/.hidden.xml"}}) {
        EXPECT_EQ(TVehicle::NormaliseFileName(c.in), c.out);
    }
    buildSample();
    ASSERT_TRUE(v->SaveToFile(dir.File("vt.txt")));
    EXPECT_EQ(v->FileName, dir.File("vt.xml"));
    EXPECT_TRUE(std::filesystem::exists(dir.File("vt.xml")));
    auto w = make();
    EXPECT_TRUE(w->LoadFromFile(dir.File("vt")));
    EXPECT_EQ(w->FileName, dir.File("vt.xml"));
    EXPECT_TRUE(errors.empty());
}

TEST_F(XMLDataTest, FilesWithAnUpperCaseExtensionOpenAndSaveUnderTheirOwnName) {
    buildSample();
    for (const char* name : {"VT.XML", ".XML", "vt.Xml"}) {
        SCOPED_TRACE(name);
        const std::string file = dir.File(name);
        ASSERT_TRUE(v->SaveToFile(file));
        EXPECT_EQ(v->FileName, file);
        auto w = make();
        EXPECT_TRUE(w->LoadFromFile(file));
        EXPECT_EQ(w->FileName, file);
        EXPECT_EQ(w->Vehicles->AsString("VCode"), "VT-V6");
        EXPECT_EQ(w->Modules->RecordCount(), 2);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("VT.xml")));
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(XMLDataTest, SaveAndLoadGiveBackTheSameTreeAndValues) {
    buildSample();
    TTable& veh = *v->Vehicles;
    veh.Edit();
    veh.SetAsString("Comments", "line 1\nline 2\ttab & <tag> \"quoted\" 'single'\r\n");
    veh.SetAsString("Date", "20261209");
    veh.SetAsBool("Chatter", true);
    veh.SetAsInteger("T3", -2147483647 - 1);
    veh.SetAsString("VDesc", "\xC3\xA9t\xC3\xA9");
    veh.Post();
    v->Attrs->Edit();
    v->Attrs->SetAsFloat("Start", 12.3);
    v->Attrs->Post();
    v->AScale->Edit();
    v->AScale->SetAsFloat("Factor", 0.1);
    v->AScale->SetAsFloat("Offset", -1e-300);
    v->AScale->SetAsFloat("AlarmMax", 1.0 / 3);
    v->AScale->Post();
    ASSERT_TRUE(v->SaveToFile(dir.File("a.xml")));
    EXPECT_FALSE(v->Dirty);

    auto w = make();
    ASSERT_TRUE(w->LoadFromFile(dir.File("a.xml")));
    EXPECT_EQ(w->Vehicles->AsString("Comments"), veh.AsString("Comments"));
    EXPECT_EQ(w->Vehicles->AsString("Date"), "2026-12-09");
    EXPECT_TRUE(w->Vehicles->AsBool("Chatter"));
    EXPECT_EQ(w->Vehicles->AsInteger("T3"), -2147483647 - 1);
    EXPECT_EQ(w->Vehicles->AsString("VDesc"), "\xC3\xA9t\xC3\xA9");
    EXPECT_TRUE(w->Vehicles->IsNull("Email")); // empty stays empty
    // Everything else, through the file: once loaded (load defaults applied), saving and
    // loading again changes nothing.
    ASSERT_TRUE(w->SaveToFile(dir.File("b.xml")));
    auto x = make();
    ASSERT_TRUE(x->LoadFromFile(dir.File("b.xml")));
    ASSERT_TRUE(x->SaveToFile(dir.File("c.xml")));
    EXPECT_TRUE(TempDir::Read(dir.File("b.xml")) == TempDir::Read(dir.File("c.xml")));
    ASSERT_TRUE(w->Modules->Locate("MCode", "BCM"));
    ASSERT_TRUE(w->Attrs->Locate("ACode", "A2"));
    EXPECT_EQ(w->Attrs->AsFloat("Start"), 12.3);
    EXPECT_EQ(w->AScale->AsFloat("Factor"), 0.1);
    EXPECT_EQ(w->AScale->AsFloat("Offset"), -1e-300);
    EXPECT_EQ(w->AScale->AsFloat("AlarmMax"), 1.0 / 3);
    EXPECT_TRUE(errors.empty());
}

TEST_F(XMLDataTest, OlderFilesLoadWithTheLoadDefaults) {
    std::string file = dir.Write(
        "old.xml", packet("<ROW VCode=\"OLD\"><Modules><ROWModules MCode=\"ECM\"><Requests>"
                          "<ROWRequests RCode=\"R\"><Attrs><ROWAttrs ACode=\"A\"><Scale>"
                          "<ROWScale SCode=\"S\"/></Scale></ROWAttrs></Attrs></ROWRequests>"
                          "</Requests></ROWModules></Modules></ROW>"));
    ASSERT_TRUE(v->LoadFromFile(file));
    EXPECT_TRUE(v->Vehicles->AsBool("SuspendReply"));
    EXPECT_TRUE(v->Vehicles->AsBool("ResumeReply"));
    EXPECT_EQ(v->Vehicles->AsString("ALDL"), "8192");
    EXPECT_TRUE(v->Requests->AsBool("Reply"));
    EXPECT_TRUE(v->Requests->AsBool("ProcReply"));
    EXPECT_EQ(v->AScale->AsString("DescMin"), "LOW");
    EXPECT_EQ(v->AScale->AsString("DescOk"), "OK");
    EXPECT_EQ(v->AScale->AsString("DescMax"), "HIGH");
    EXPECT_FALSE(v->AScale->AsBool("Signed"));
    EXPECT_FALSE(v->AScale->IsNull("Hex"));
    EXPECT_TRUE(v->Vehicles->IsNull("Chatter")); // no load default: empty
}

TEST_F(XMLDataTest, UnknownFieldsAndBadValuesAreDroppedQuietly) {
    std::string file = dir.Write(
        "extra.xml", packet("<ROW VCode=\"X\" Colour=\"red\" RowState=\"4\" T1=\"fast\" "
                            "Chatter=\"maybe\" Date=\"20231340\" ALDL=\"160-808\" vcode=\"no\">"
                            "<Gadgets><ROWGadgets A=\"1\"/></Gadgets></ROW>"));
    ASSERT_TRUE(v->LoadFromFile(file));
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(v->Vehicles->AsString("VCode"), "X");
    EXPECT_TRUE(v->Vehicles->IsNull("T1"));
    EXPECT_TRUE(v->Vehicles->IsNull("Chatter"));
    EXPECT_TRUE(v->Vehicles->IsNull("Date"));
    EXPECT_EQ(v->Vehicles->AsString("ALDL"), "160-808");
    ASSERT_TRUE(v->SaveToFile(dir.File("extra2.xml")));
    std::string saved = TempDir::Read(dir.File("extra2.xml"));
    EXPECT_EQ(saved.find("Colour"), std::string::npos);
    EXPECT_EQ(saved.find("Gadgets"), std::string::npos);
}

TEST_F(XMLDataTest, OnlyTheFirstVehicleOfAFileIsUsed) {
    std::string file = dir.Write("three.xml", packet("<ROW VCode=\"ONE\"/><ROW VCode=\"TWO\"/>"
                                                     "<ROW VCode=\"THREE\"/>"));
    ASSERT_TRUE(v->LoadFromFile(file));
    EXPECT_EQ(v->Vehicles->RecordCount(), 1);
    EXPECT_EQ(v->Vehicles->AsString("VCode"), "ONE");
    // A second vehicle made in memory is not written either.
    v->Vehicles->Insert();
    v->Vehicles->SetAsString("VCode", "ZZZ");
    v->Vehicles->Post();
    ASSERT_TRUE(v->SaveToFile(file));
    auto w = make();
    ASSERT_TRUE(w->LoadFromFile(file));
    EXPECT_EQ(w->Vehicles->RecordCount(), 1);
    EXPECT_EQ(TempDir::Read(file).find("ZZZ"), std::string::npos);
}

TEST_F(XMLDataTest, SavingWithoutANameUsesTheVehicleFolderAndVCode) {
    buildSample();
    SetVehicleDir(dir.Path().string());
    ASSERT_TRUE(v->SaveToFile(""));
    EXPECT_EQ(v->FileName, dir.File("VT-V6.xml"));
    EXPECT_TRUE(std::filesystem::exists(dir.File("VT-V6.xml")));
    EXPECT_TRUE(v->Save());
}

TEST_F(XMLDataTest, AFailedSaveReportsKeepsTheNameAndStaysDirty) {
    buildSample();
    EXPECT_TRUE(v->Dirty);
    std::string name = dir.File("missing/folder/x.xml");
    EXPECT_FALSE(v->SaveToFile(name));
    EXPECT_EQ(v->FileName, name);
    EXPECT_TRUE(v->Dirty);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("Can't save vehicle: " + name + ". ", 0), 0u) << errors[0];
    EXPECT_NE(errors[0].back(), '.');
}

TEST_F(XMLDataTest, BrokenFilesAreReportedAndLeaveTheDefinitionAlone) {
    buildSample();
    ASSERT_TRUE(v->SaveToFile(dir.File("good.xml")));
    v->Modules->Last();
    v->Vehicles->Edit();
    v->Vehicles->SetAsString("VDesc", "unsaved");
    v->Vehicles->Post();
    struct Case {
        const char* name;
        std::string contents; // empty name part: the file is not written
        std::string reason;
    };
    TTable scales(ScaleCodesLayout());
    scales.Append();
    scales.SetAsString("SCode", "TEMP");
    scales.Post();
    const TTable noVehicle(VehiclesLayout());
    const std::string dup =
        "<ROW VCode=\"D\"><Modules><ROWModules MCode=\"M\"><Requests><ROWRequests>"
        "<Attrs><ROWAttrs ACode=\"A\"><DTCs><ROWDTCs Bit=\"1\"/><ROWDTCs Bit=\"1\"/>"
        "</DTCs></ROWAttrs></Attrs></ROWRequests></Requests></ROWModules>"
        "</Modules></ROW>";
    const std::vector<Case> cases = {
        {"absent", "", SystemErrorText(ENOENT)},
        {"folder", "", "It is a folder, not a file"},
        {"scales", WriteDataPacket(scales),
         "The file is a scale codes catalogue, not a vehicle definition"},
        {"novehicle", WriteDataPacket(noVehicle), "The file holds no vehicle"},
        {"norowsatall", packet(""), "The file holds no vehicle"},
        {"lookup", packet("<ROW RawByte=\"1\" Value=\"2.5\"/>"),
         "The file is not a vehicle definition (its records hold RawByte, Value)"},
        {"empty", "\n", "not valid XML"},
        {"text", "vehicle VT V6\n", "not valid XML"},
        {"truncated", packet(dup).substr(0, 150), "not valid XML"},
        {"root", "<?xml version=\"1.0\"?><VEHICLE/>", "not a data packet"},
        {"norows", "<DATAPACKET Version=\"2.0\"><METADATA/></DATAPACKET>", "no ROWDATA"},
        {"nesting",
         "<DATAPACKET><ROWDATA><ROW><Modules><ROWModules></Modules></ROW></ROWDATA>"
         "</DATAPACKET>",
         "not valid XML"},
        {"dup", packet(dup), "Key violation"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        errors.clear();
        std::string file = dir.File(std::string(c.name) + ".xml");
        if (std::string(c.name) == "folder") {
            std::filesystem::create_directory(file);
        }
        if (!c.contents.empty()) {
            dir.Write(std::string(c.name) + ".xml", c.contents);
        }
        EXPECT_FALSE(v->LoadFromFile(file));
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].rfind("Can't load vehicle from file: " + file + ". ", 0), 0u)
            << errors[0];
        EXPECT_NE(errors[0].find(c.reason), std::string::npos) << errors[0];
        EXPECT_EQ(errors[0].substr(errors[0].size() - 1), ".");
        EXPECT_NE(errors[0].substr(errors[0].size() - 2), "..");
        EXPECT_EQ(v->FileName, dir.File("good.xml"));
        EXPECT_TRUE(v->Dirty);
        EXPECT_EQ(v->Vehicles->AsString("VDesc"), "unsaved");
        EXPECT_EQ(v->Modules->RecordCount(), 2);
    }
}

TEST_F(XMLDataTest, ANamedPipeIsRefusedAtOnceAndTheDefinitionStays) {
    buildSample();
    ASSERT_TRUE(v->SaveToFile(dir.File("good.xml")));
    NamedPipe pipe(dir.File("pipe.xml"));
    bool loaded = true;
    ASSERT_TRUE(pipe.ReturnsWithin(std::chrono::seconds(10), [&] {
        loaded = v->LoadFromFile(pipe.Path());
    })) << "the load waited on the pipe";
    EXPECT_FALSE(loaded);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0],
              "Can't load vehicle from file: " + pipe.Path() + ". It is a named pipe, not a file.");
    EXPECT_EQ(v->FileName, dir.File("good.xml"));
    EXPECT_EQ(v->Modules->RecordCount(), 2);
}

TEST_F(XMLDataTest, TextsOfOlderToolsInWindows1252AreReadAsSuch) {
    // "\xB0" is the degree sign and "\xE9" e acute in Windows-1252; UTF-8 texts stay as they are.
    dir.Write("old.xml", packet("<ROW VCode=\"Caf\xE9\" VDesc=\"\xC2\xB0"
                                "F\"><Modules><ROWModules "
                                "MCode=\"ECM\"><Requests><ROWRequests RCode=\"R\"><Attrs><ROWAttrs "
                                "ACode=\"CTS\"><Scale><ROWScale Units=\"\xB0"
                                "C\"/></Scale>"
                                "</ROWAttrs></Attrs></ROWRequests></Requests></ROWModules>"
                                "</Modules></ROW>"));
    ASSERT_TRUE(v->LoadFromFile(dir.File("old.xml")));
    EXPECT_EQ(v->Vehicles->AsString("VCode"), "Caf\u00E9");
    EXPECT_EQ(v->Vehicles->AsString("VDesc"), "\u00B0"
                                              "F");
    EXPECT_EQ(v->AScale->AsString("Units"), "\u00B0"
                                            "C");
    ASSERT_TRUE(v->SaveToFile(dir.File("new.xml")));
    EXPECT_NE(TempDir::Read(dir.File("new.xml"))
                  .find("Units=\"\xC2\xB0"
                        "C\""),
              std::string::npos);
}

TEST_F(XMLDataTest, AHugeFileIsRefusedOrReadWithoutHanging) {
    std::string file = dir.File("huge.xml");
    {
        std::ofstream out(file, std::ios::binary);
        std::string junk(1 << 20, 'x');
        for (int i = 0; i < 50; ++i) {
            out << junk;
        }
    }
    EXPECT_FALSE(v->LoadFromFile(file));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("not valid XML"), std::string::npos) << errors[0];
}

TEST_F(XMLDataTest, DeletingAModuleDeletesEverythingBelowItDepthFirst) {
    buildSample();
    ASSERT_TRUE(v->SaveToFile(dir.File("d.xml")));
    std::vector<std::string> deleted;
    v->Requests->SetBeforeDelete([&](TTable& t) {
        v->DeleteChildren(t);
        deleted.push_back("request");
    });
    v->DTCs->SetBeforeDelete([&](TTable& t) {
        v->DeleteChildren(t);
        deleted.push_back("dtc");
    });
    ASSERT_TRUE(v->Modules->Locate("MCode", "ECM"));
    v->Modules->Delete();
    EXPECT_TRUE(v->Dirty);
    // Every DTC row goes before its request.
    EXPECT_EQ(deleted, (std::vector<std::string>{"dtc", "dtc", "dtc", "request"}));
    EXPECT_EQ(v->Modules->RecordCount(), 1);
    EXPECT_EQ(v->Modules->AsString("MCode"), "BCM");
    ASSERT_TRUE(v->SaveToFile(dir.File("d.xml")));
    auto w = make();
    ASSERT_TRUE(w->LoadFromFile(dir.File("d.xml")));
    EXPECT_EQ(w->Modules->RecordCount(), 1);
}

TEST_F(XMLDataTest, ClearingAGaugeReachesDTCsAndFlagsAndKeepsTheCursors) {
    buildSample();
    // Current: module ECM, its request, attribute A1 (the DTC attribute).
    ASSERT_TRUE(v->Modules->Locate("MCode", "ECM"));
    ASSERT_TRUE(v->Attrs->Locate("ACode", "A1"));
    int aid = v->Attrs->AsInteger("AID");
    v->ClearAssignments(-1, -1, 5);
    EXPECT_EQ(v->Modules->AsString("MCode"), "ECM");
    EXPECT_EQ(v->Attrs->AsInteger("AID"), aid);
    for (v->Modules->First(); !v->Modules->Eof(); v->Modules->Next()) {
        for (v->Attrs->First(); !v->Attrs->Eof(); v->Attrs->Next()) {
            EXPECT_NE(v->Attrs->AsInteger("Dash"), 5);
            EXPECT_EQ(v->Attrs->AsInteger("Chart"), 1); // chart part skipped
            for (TTable* rows : {&*v->DTCs, &*v->Flags}) {
                for (rows->First(); !rows->Eof(); rows->Next()) {
                    int bit = rows->AsInteger("Bit");
                    EXPECT_EQ(rows->AsInteger("Dash"), bit == 1 ? 0 : bit + 10);
                }
            }
        }
    }
    v->ClearAssignments(1, 2, -1);
    int series2 = 0;
    for (v->Modules->First(); !v->Modules->Eof(); v->Modules->Next()) {
        for (v->Attrs->First(); !v->Attrs->Eof(); v->Attrs->Next()) {
            series2 += v->Attrs->AsInteger("Series") == 2;
        }
    }
    EXPECT_EQ(series2, 0);
}

TEST_F(XMLDataTest, EveryPostAndDeleteMarksTheDefinitionDirty) {
    int fired = 0;
    v->SetOnDirtyChanged([&] { ++fired; });
    buildSample();
    EXPECT_TRUE(v->Dirty);
    EXPECT_TRUE(v->Changed);
    EXPECT_GT(fired, 0);
    ASSERT_TRUE(v->SaveToFile(dir.File("x.xml")));
    EXPECT_FALSE(v->Dirty);
    EXPECT_FALSE(v->Changed);
    fired = 0;
    v->Items->Delete();
    EXPECT_TRUE(v->Dirty);
    EXPECT_GT(fired, 0);
    fired = 0;
    ASSERT_TRUE(v->LoadFromFile(dir.File("x.xml")));
    EXPECT_FALSE(v->Dirty);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(v->Items->RecordCount(), 1);
}

TEST_F(XMLDataTest, CopyRecordsMatchesFieldsByExactName) {
    auto layout = std::make_shared<TTableDef>();
    layout->Name = "Other";
    layout->Fields = {{"VCode", TFieldType::ftString, 40, nullptr, -1},
                      {"T1", TFieldType::ftString, 10, nullptr, -1},
                      {"chatter", TFieldType::ftBoolean, 0, nullptr, -1},
                      {"Extra", TFieldType::ftInteger, 0, nullptr, -1}};
    TTable source(layout);
    source.Append();
    source.SetAsString("VCode", "COPY");
    source.SetAsString("T1", "12");
    source.SetAsBool("chatter", true);
    source.Post();
    source.Append();
    source.SetAsString("T1", "not a number");
    source.Post();
    TVehicle::CopyRecords(*v->Vehicles, source);
    v->Vehicles->CheckBrowseMode();
    ASSERT_EQ(v->Vehicles->RecordCount(), 2);
    ASSERT_TRUE(v->Vehicles->Locate("VCode", "COPY"));
    EXPECT_EQ(v->Vehicles->AsInteger("T1"), 12);
    EXPECT_TRUE(v->Vehicles->IsNull("Chatter")); // "chatter" is another name
    EXPECT_EQ(v->Vehicles->AsString("ALDL"), "8192");
}

TEST_F(XMLDataTest, ModeByteListHasNineteenEntriesWithIniDescriptions) {
    dir.Write("Q.ini", "[ModeByte]\nMode$0A=Clear codes\n");
    auto w = make();
    TTable& m = w->ModeBytes;
    ASSERT_EQ(m.RecordCount(), 19);
    m.First();
    EXPECT_EQ(m.AsString("ModeByte"), "");
    EXPECT_EQ(m.AsString("ModeDesc"), "No mode byte");
    m.MoveTo(11);
    EXPECT_EQ(m.AsString("ModeByte"), "$0A");
    EXPECT_EQ(m.AsString("ModeDesc"), "Clear codes");
    m.Last();
    EXPECT_EQ(m.AsString("ModeByte"), "$11");
    EXPECT_EQ(m.AsString("ModeDesc"), "($11) Write program data");
}

TEST_F(XMLDataTest, ScaleCatalogueIsSeededReadAndWrittenAtExit) {
    v.reset(); // nothing anywhere: empty catalogue, written at exit
    EXPECT_TRUE(std::filesystem::exists(dir.File("Scales.xml")));
    std::filesystem::remove(dir.File("Scales.xml"));
    dir.Write("seed.xml", packet("<ROW SCode=\"TEMP\" Factor=\"0.75\" Offset=\"-40\"/>"
                                 "<ROW SCode=\"ABC\"/>"));
    v = make();
    ASSERT_EQ(v->ScaleCodes.RecordCount(), 2);
    v->ScaleCodes.First();
    EXPECT_EQ(v->ScaleCodes.AsString("SCode"), "TEMP"); // file order
    EXPECT_TRUE(v->ScaleCodes.AsBool("Signed"));        // the catalogue's load defaults
    EXPECT_TRUE(v->ScaleCodes.AsBool("Hex"));
    v->ScaleCodes.Append();
    v->ScaleCodes.SetAsString("SCode", "NEW");
    v->ScaleCodes.Post();
    v.reset();
    auto w = make();
    EXPECT_EQ(w->ScaleCodes.RecordCount(), 3);
    EXPECT_FALSE(w->ScalesUnreadable());
}

TEST_F(XMLDataTest, TheCatalogueFolderIsMadeWhenMissing) {
    std::string file = dir.File("config/Quorvin/Scales.xml");
    { TVehicle w(nullptr, file, dir.File("Q.ini"), dir.File("none.xml")); }
    EXPECT_TRUE(std::filesystem::exists(file));
}

TEST_F(XMLDataTest, AnUnreadableCatalogueIsNeverOverwritten) {
    v.reset();
    std::string broken = "<DATAPACKET><ROWDATA><ROW SCode=\"MINE\"></DATAPACKET>";
    dir.Write("Scales.xml", broken);
    v = make();
    EXPECT_TRUE(v->ScalesUnreadable());
    EXPECT_EQ(v->ScaleCodes.RecordCount(), 0);
    v.reset();
    EXPECT_EQ(TempDir::Read(dir.File("Scales.xml")), broken);
}

TEST_F(XMLDataTest, AVehicleFileInTheCataloguesPlaceIsNotOverwritten) {
    buildSample();
    ASSERT_TRUE(v->SaveToFile(dir.File("car.xml")));
    v.reset();
    std::filesystem::copy_file(dir.File("car.xml"), dir.File("Scales.xml"),
                               std::filesystem::copy_options::overwrite_existing);
    const std::string before = TempDir::Read(dir.File("Scales.xml"));
    v = make();
    EXPECT_TRUE(v->ScalesUnreadable());
    EXPECT_EQ(v->ScaleCodes.RecordCount(), 0);
    v.reset();
    EXPECT_EQ(TempDir::Read(dir.File("Scales.xml")), before);
}

TEST(BundledData, SampleVehicleAndCatalogueLoadCleanly) {
    TempDir dir;
    std::vector<std::string> errors;
    std::string data = std::string(QUORVIN_SOURCE_DIR) + "/data";
    TVehicle v(nullptr, dir.File("Scales.xml"), dir.File("Q.ini"), data + "/Scales.xml");
    v.SetErrorReporter([&](const std::string& m) { errors.push_back(m); });
    EXPECT_GE(v.ScaleCodes.RecordCount(), 6);
    for (const auto& entry : std::filesystem::directory_iterator(data + "/vehicles")) {
        if (entry.path().extension() != ".xml") {
            continue;
        }
        SCOPED_TRACE(entry.path().string());
        ASSERT_TRUE(v.LoadFromFile(entry.path().string()));
        EXPECT_FALSE(v.Vehicles->AsString("VCode").empty());
        EXPECT_GT(v.Macros->RecordCount(), 0);
    }
    EXPECT_TRUE(errors.empty());
}

TEST(BundledData, SampleVehicleMatchesTheSimulatedModule) {
    TempDir dir;
    std::string data = std::string(QUORVIN_SOURCE_DIR) + "/data";
    TVehicle v(nullptr, dir.File("Scales.xml"), dir.File("Q.ini"), dir.File("none"));
    ASSERT_TRUE(v.LoadFromFile(data + "/vehicles/SIM-V8.xml"));
    EXPECT_EQ(v.Vehicles->AsString("HeartBeat"), "$08,$55,$A3");
    EXPECT_EQ(v.Vehicles->AsString("Suspend"), "$F4,$56,$08,$AE");
    EXPECT_EQ(v.Vehicles->AsString("Resume"), "$F4,$56,$09,$AD");
    ASSERT_TRUE(v.Modules->Locate("MCode", "ECM"));
    EXPECT_EQ(v.Modules->AsString("ModuleID"), "$F4");
    EXPECT_EQ(v.Modules->AsString("ModeByte"), "$01");
    ASSERT_TRUE(v.Requests->Locate("RCode", "ALDL-0"));
    EXPECT_EQ(ReadInt(v.Requests->AsString("Parameters")), 0);
    struct Expect {
        const char* acode;
        double start;
        int bits;
        int atype;
        double factor;
        double offset;
    };
    for (const Expect& e : std::vector<Expect>{{"PROMID", 2, 16, atRaw, 1, 0},
                                               {"FLAGSB", 4, 8, atFlags, 0, 0},
                                               {"DTC2", 6, 8, atDTC, 0, 0},
                                               {"CTS", 8, 8, atScaled, 0.75, -40},
                                               {"MAP", 10, 8, atScaled, 0.369, 10.35},
                                               {"RPM", 13, 16, atScaled, 1, 0},
                                               {"O2L", 16, 8, atScaled, 4.44, 0},
                                               {"BATT", 18, 8, atScaled, 0.1, 0},
                                               {"INJPW", 22, 16, atScaled, 1 / 65.536, 0},
                                               {"GEAR", 28, 8, atEnum, 1, 0},
                                               {"RUNTIME", 32, 16, atScaled, 1, 0}}) {
        SCOPED_TRACE(e.acode);
        ASSERT_TRUE(v.Attrs->Locate("ACode", e.acode));
        EXPECT_EQ(v.Attrs->AsFloat("Start"), e.start);
        EXPECT_EQ(v.Attrs->AsInteger("Bits"), e.bits);
        EXPECT_EQ(v.Attrs->AsInteger("AType"), e.atype);
        if (e.atype == atScaled) {
            EXPECT_NEAR(v.AScale->AsFloat("Factor"), e.factor, 1e-12);
            EXPECT_NEAR(v.AScale->AsFloat("Offset"), e.offset, 1e-12);
        }
    }
    // Trouble code 42 is data 6 bit 3 and shows on a light; the lamp flag is data 4 bit 4.
    ASSERT_TRUE(v.Attrs->Locate("ACode", "DTC2"));
    ASSERT_TRUE(v.DTCs->Locate("Bit", TValue(3)));
    EXPECT_EQ(v.DTCs->AsString("DTC"), "42");
    EXPECT_GE(v.DTCs->AsInteger("Dash"), 17);
    ASSERT_TRUE(v.Attrs->Locate("ACode", "FLAGSB"));
    ASSERT_TRUE(v.Flags->Locate("Bit", TValue(4)));
    EXPECT_GE(v.Flags->AsInteger("Dash"), 17);
    // Every type, every chart and several series.
    std::vector<int> types(6, 0);
    std::vector<int> perChart(5, 0);
    for (v.Attrs->First(); !v.Attrs->Eof(); v.Attrs->Next()) {
        types.at(v.Attrs->AsInteger("AType"))++;
        perChart.at(v.Attrs->AsInteger("Chart"))++;
    }
    for (int t = 0; t < 6; ++t) {
        EXPECT_GT(types[t], 0) << "AType " << t;
    }
    for (int c = 1; c <= 4; ++c) {
        EXPECT_GE(perChart[c], 2) << "chart " << c;
    }
}

} // namespace
