#pragma once
#include <cstdint>
#include <string>
#include <vector>

// ---- Folders (filled by InitFolders; the properties dialog replaces the last three) ----
void InitFolders();
const std::string& ProgramDir();  // folder of the program file, no trailing "/"
const std::string& UserDataDir(); // documents folder + "/Quorvin/V4"
const std::string& IniPath();     // see InitFolders; QUORVIN_INI overrides
std::string DataDir();            // logged data folder
std::string VehicleDir();         // vehicle definitions folder
std::string HelpDir();            // help pages folder
void SetDataDir(const std::string& dir);
void SetVehicleDir(const std::string& dir);
void SetHelpDir(const std::string& dir);
// The three folders as InitFolders worked them out, before any setting replaced them.
std::string DefaultDataDir();
std::string DefaultVehicleDir();
std::string DefaultHelpDir();
// True when the program runs from an installed layout (bin/ with share/quorvin/ beside it).
bool IsInstalledLayout();
// Folder of the bundled data (vehicles, Scales.xml, help): share/quorvin or the source data/.
const std::string& BundledDataDir();
// The program folder is the executable's own unless a caller names another (tests of the
// installed layout); empty returns to the executable's folder. Runs InitFolders.
void SetProgramDir(const std::string& dir);
// Where the program writes files of its own (the chart picture): beside the program in a build
// tree or portable folder, the user data folder when installed.
std::string OwnFilesDir();
// The file name of the bundled sample vehicle.
inline constexpr const char* SampleVehicleName = "SIM-V8.xml";
// The vehicle an installed program opens when its settings name none yet: the sample vehicle
// (the user's copy, else the bundled one); empty in a build tree.
std::string FirstStartVehicle();

// ---- Numbers and texts ----
template <typename T> constexpr T Clamp(T v, T lo, T hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}
std::string PickFromList(const std::string& value, const std::string& list, const std::string& def);
// Whole number: decimal, or hex after "$", "x" or "0x"; else "$"+text; else 0.
int ReadInt(const std::string& text);
// Empty gives def; "$..." gives ReadInt; else a decimal fraction, whatever the C library's locale,
// with a point or a lone comma as the decimal mark; else def.
double ReadNumber(const std::string& text, double def);
// Strict helper of ReadInt: true and the value when text is one whole number as above.
bool TryReadInt(const std::string& text, int& value);
std::string DecimalText3(int v);        // "%3d"
std::string HexByteText(int v);         // "$" + two upper-case hex digits of the low 8 bits
std::string ByteText(int v, int style); // HexByteText for style 2, else DecimalText3
std::string NumberText(float x);        // decimals by magnitude
std::string HexValueText(float x);      // "$%02.2X" below 255, else "$%04.4X"
std::string FileBaseName(const std::string& path);
std::vector<std::string> Split(const std::string& text, const std::string& separator);
int BitOf(double start);
// Engineering value of a raw attribute value (the one scaling routine of the system).
float ScaleValue(int64_t raw, int bits, bool invert, bool isSigned, bool reverse, double offset,
                 double factor);
float ScaledMin(int bits, bool invert, bool reverse, bool isSigned, double offset, double factor);
float ScaledMax(int bits, bool invert, bool reverse, bool isSigned, double offset, double factor);
uint32_t HalfColour(uint32_t colour); // colours are 0x00BBGGRR
uint32_t SwapRedBlue(uint32_t colour);
std::string SystemErrorText(int code); // strerror text; empty for 0
