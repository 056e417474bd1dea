// Load and save of a large vehicle definition: 10 modules x 10 requests x 60 attributes, every
// attribute with its scale, a third of them with a 16-row lookup table, a third with 8 DTC rows
// and a third with 8 flag rows. Prints the file size and the best and median times of each.
#include "definitions/XMLData.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <time.h>

namespace {

using Clock = std::chrono::steady_clock;

void buildLarge(TVehicle& v) {
    TTable& veh = *v.Vehicles;
    veh.Insert();
    veh.SetAsString("VCode", "LARGE");
    veh.SetAsString("Comments", "Benchmark definition\nwith a second line");
    veh.Post();
    for (int m = 0; m < 10; ++m) {
        v.Modules->Insert();
        v.Modules->SetAsString("MCode", "M" + std::to_string(m));
        v.Modules->SetAsString("ModeByte", "$01");
        v.Modules->SetAsString("ModuleID", "$F4");
        v.Modules->Post();
        for (int r = 0; r < 10; ++r) {
            v.Requests->Insert();
            v.Requests->SetAsString("RCode", "R" + std::to_string(r));
            v.Requests->SetAsString("Parameters", "$0" + std::to_string(r));
            v.Requests->Post();
            for (int a = 0; a < 60; ++a) {
                int atype = a % 3 == 0 ? atLookup : (a % 3 == 1 ? atDTC : atFlags);
                TTable& at = *v.Attrs;
                at.Insert();
                at.SetAsString("ACode", "A" + std::to_string(a));
                at.SetAsString("ADesc", "Attribute number " + std::to_string(a));
                at.SetAsFloat("Start", a + 1);
                at.SetAsInteger("Bits", 8);
                at.SetAsInteger("AType", atype);
                at.SetAsBool("Visible", true);
                at.SetAsInteger("Chart", a % 5);
                at.SetAsInteger("Series", a % 5);
                at.SetAsInteger("Dash", a % 26);
                at.Post();
                TTable& s = *v.AScale;
                s.Insert();
                s.SetAsString("SCode", "TEMP");
                s.SetAsFloat("Factor", 0.75);
                s.SetAsFloat("Offset", -40);
                s.SetAsString("Units", "degC");
                s.SetAsFloat("AlarmMin", -10);
                s.SetAsFloat("AlarmMax", 110);
                s.SetAsFloat("DisplayMin", -40);
                s.SetAsFloat("DisplayMax", 150);
                s.Post();
                if (atype == atLookup) {
                    for (int row = 0; row < 16; ++row) {
                        v.Table->Insert();
                        v.Table->SetAsInteger("RawByte", row * 16 + 15);
                        v.Table->SetAsFloat("Value", row * 1.5);
                        v.Table->Post();
                    }
                } else {
                    TTable& rows = atype == atDTC ? *v.DTCs : *v.Flags;
                    for (int bit = 0; bit < 8; ++bit) {
                        rows.Insert();
                        rows.SetAsInteger("Bit", bit);
                        rows.SetAsString("Desc", "Bit number " + std::to_string(bit));
                        rows.SetAsInteger("Dash", 0);
                        if (atype == atDTC) {
                            rows.SetAsString("DTC", std::to_string(12 + bit));
                            rows.SetAsBool("CEL", true);
                        } else {
                            rows.SetAsString("B0", "Off");
                            rows.SetAsString("B1", "On");
                        }
                        rows.Post();
                    }
                }
            }
        }
    }
}

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Wall time and the thread's CPU time (the latter is steadier on a busy machine).
struct Stats {
    double best;
    double median;
    double cpuBest;
};

template <typename F> Stats measure(int runs, F f) {
    std::vector<double> ms;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        auto t0 = Clock::now();
        double c0 = threadCpuMs();
        f();
        cpu.push_back(threadCpuMs() - c0);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    return {ms.front(), ms[ms.size() / 2], cpu.front()};
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    TempDir dir;
    TVehicle v(nullptr, dir.File("Scales.xml"), dir.File("Q.ini"), dir.File("none.xml"));
    Stats build = measure(1, [&] { buildLarge(v); });
    std::string file = dir.File("LARGE.xml");
    bool ok = true;
    Stats save = measure(runs, [&] { ok = v.SaveToFile(file) && ok; });
    TVehicle w(nullptr, dir.File("Scales2.xml"), dir.File("Q.ini"), dir.File("none.xml"));
    Stats load = measure(runs, [&] { ok = w.LoadFromFile(file) && ok; });
    Stats clear = measure(runs, [&] { w.ClearAssignments(1, 1, 5); });
    long records = 0;
    Stats walk = measure(runs, [&] {
        records = 0;
        for (w.Modules->First(); !w.Modules->Eof(); w.Modules->Next()) {
            for (w.Requests->First(); !w.Requests->Eof(); w.Requests->Next()) {
                for (w.Attrs->First(); !w.Attrs->Eof(); w.Attrs->Next()) {
                    records += 1 + w.Table->RecordCount() + w.DTCs->RecordCount() +
                               w.Flags->RecordCount() + w.AScale->RecordCount();
                }
            }
        }
    });
    std::printf("definition: 10 modules x 10 requests x 60 attributes, %ld attribute-level "
                "records, file %.1f MB\n",
                records, std::filesystem::file_size(file) / 1e6);
    auto line = [](const char* what, const Stats& s) {
        std::printf("%-22s best %7.1f ms  median %7.1f ms  cpu best %7.1f ms\n", what, s.best,
                    s.median, s.cpuBest);
    };
    line("build in memory:", build);
    line("save:", save);
    line("load:", load);
    line("clear assignments:", clear);
    line("walk every attribute:", walk);
    return ok ? 0 : 1;
}
