// A vehicle file from anywhere drives the engine: every macro it holds is compiled, its requests
// are built and frames are decoded into it. Loading may refuse the file; nothing after a load
// may fail, and every request built carries its module's header and a checksum that holds.
#include "FuzzSupport.h"

#include "definitions/XMLData.h"
#include "engine/Cartridge.h"
#include "link/RS232.h"
#include "link/Rtime.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

std::vector<int> macroIds(TVehicle& vehicle) {
    std::vector<int> ids;
    TTable& macros = *vehicle.Macros;
    for (macros.First(); !macros.Eof(); macros.Next()) {
        ids.push_back(macros.AsInteger("MacID"));
    }
    return ids;
}

void buildRequests(TCartridge& engine) {
    for (int i = 0; i < engine.ItemCount; ++i) {
        const TMacroItem& item = engine.Items[i];
        // Iteration counts reach the request through the :B1..:B4 placeholders.
        for (int iteration : {0, 1, 255, 65537}) {
            engine.ItemIndex = i;
            engine.IterCount = iteration;
            engine.BuildRequest();
            FuzzCheck(engine.RequestFrame.Header() == (item.ModuleID & 0xFF),
                      "a request carries its module ID");
            FuzzCheck(engine.RequestFrame.ChecksumOK(), "a built request has a valid checksum");
        }
    }
}

// Replies for the item: data from windows of the input itself, then all zeros and all ones, at
// the lengths that matter (none, a mode byte only, a full 170 data bytes).
std::vector<TPacket> repliesFor(const TMacroItem& item, const uint8_t* data, size_t size) {
    std::vector<TPacket> frames;
    auto add = [&](int length, auto byteAt) {
        TPacket p;
        p.SetHeader(item.ModuleID);
        p.SetDataLen(length);
        for (int i = 0; i < p.DataLen(); ++i) {
            p.setData(i, i == 0 ? item.ModeValue : byteAt(i));
        }
        p.UpdateChecksum();
        p.MessageNo = item.Request.MessageNo;
        frames.push_back(p);
    };
    for (size_t w = 0; size > 0 && w < 4; ++w) {
        const size_t from = size * w / 4;
        add(data[from] % 171, [&](int i) { return data[(from + static_cast<size_t>(i)) % size]; });
    }
    for (int length : {0, 1, 170}) {
        add(length, [](int) { return 0x00; });
        add(length, [](int) { return 0xFF; });
    }
    return frames;
}

void readValues(const TCartridge& engine) {
    for (int i = 0; i < engine.ItemCount; ++i) {
        const TRequest& request = engine.Items[i].Request;
        for (int k = 0; k < request.AttrCount; ++k) {
            ValueText(request.Attrs[k], false);
            ValueText(request.Attrs[k], true);
            for (int bit = -1; bit < 8; ++bit) {
                engine.GetAttrValue(i, k, bit);
            }
        }
    }
}

void decodeReplies(TCartridge& engine, const uint8_t* data, size_t size) {
    for (int i = 0; i < engine.ItemCount; ++i) {
        engine.ResetValues();
        for (TPacket& frame : repliesFor(engine.Items[i], data, size)) {
            engine.DecodeFrame(frame, true);
            readValues(engine);
            engine.DecodeFrame(frame, false);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzScratch scratch;
    const std::string file = scratch.Write("vehicle.xml", data, size);
    TVehicle vehicle(nullptr, scratch.File("Scales.xml"), scratch.File("fuzz.ini"),
                     scratch.File("none.xml"));
    vehicle.SetErrorReporter([](const std::string&) {});
    if (!vehicle.LoadFromFile(file)) {
        return 0;
    }
    TRtime timer;
    TRS232 link(timer);
    TCartridge engine(vehicle, link, timer);
    for (int id : macroIds(vehicle)) {
        engine.LoadMacro(id);
        buildRequests(engine);
        decodeReplies(engine, data, size);
    }
    return 0;
}
