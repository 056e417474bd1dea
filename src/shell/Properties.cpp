#include "shell/Properties.h"

#include "link/PortHelp.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/Format.h"
#include "common/IniFile.h"
#include "link/PortHelp.h"
#include "link/RS232.h"
#include "link/Rtime.h"
#include "shell/WindowState.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTabWidget>

#include <filesystem>

namespace {

constexpr const char* Comm = "Comm";
constexpr const char* Props = "Properties";
constexpr const char* Devices = "Devices";

std::string text(const QLineEdit* line) {
    return line->text().toStdString();
}

std::string text(const QComboBox* combo) {
    return combo->currentText().toStdString();
}

// The item with the same text, case ignored; none when no item matches.
void selectItem(QComboBox* combo, const std::string& item) {
    combo->setCurrentIndex(combo->findText(QString::fromStdString(item), Qt::MatchFixedString));
}

int intOr(const std::string& s, int def) {
    int v = 0;
    return TryReadInt(s, v) ? v : def;
}

constexpr const char* DefaultCaptureLimit = "2000000";

// Logged frames a capture takes: a whole number of at least 1, typed with or without thousands
// separators ("2,000,000", "2.000.000", "2 000 000"); anything else keeps the default.
int captureLimitOf(const std::string& typed) {
    std::string digits;
    for (char c : typed) {
        if (c >= '0' && c <= '9') {
            digits += c;
        } else if (c != ',' && c != '.' && c != ' ' && c != '\'') {
            return TMainOptions().CaptureLimit;
        }
    }
    if (digits.empty() || digits.size() > 9) {
        return digits.empty() ? TMainOptions().CaptureLimit : 999999999;
    }
    return std::max(1, std::stoi(digits));
}

bool isOne(const TIniFile& ini, const char* section, const char* key, const char* def) {
    return ini.ReadString(section, key, def) == "1";
}

// The link takes parity letters; the list shows the words, whose first letters they are.
std::string parityLetter(const std::string& word) {
    return word.empty() ? std::string("N") : std::string(1, char(std::toupper(word[0])));
}

std::string deviceKey(int index) {
    return Format("Com%d", index + 1);
}

std::string defaultDevice(int index) {
    return Format("/dev/ttyUSB%d", index);
}

void setChecked(QButtonGroup* group, int id) {
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons()) {
        button->setChecked(group->id(button) == id);
    }
    group->setExclusive(true);
}

} // namespace

TfProperties::TfProperties(TRS232* link, TMainOptions* options,
                           std::function<std::string()> vehicleAldl, QWidget* parent)
    : QDialog(parent), link_(link), options_(options), vehicleAldl_(std::move(vehicleAldl)) {
    setObjectName("fProperties");
    setWindowTitle("Properties...");
    buildControls();
    // A fixed border: the size that shows every control of the 8192 baud layout.
    setMinimumSize(397, 349);
    setFixedSize(sizeHint().expandedTo(QSize(397, 349)));
    // Centred on the desktop until a stored placement says otherwise.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    LoadWindowState(*this, "fProperties");
    LoadSettings();
}

TfProperties::~TfProperties() {
    // The placement is worth keeping, but a destructor must not throw.
    try {
        SaveWindowState(*this, "fProperties");
    } catch (const std::exception&) {
    }
}

std::string TfProperties::vehicleAldl() const {
    std::string aldl = vehicleAldl_ ? vehicleAldl_() : std::string();
    // No vehicle loaded: the link keeps its 8192 baud settings, so show them.
    return aldl.empty() ? std::string("8192") : aldl;
}

void TfProperties::adaptToVehicle(const std::string& aldl) {
    const bool fast = aldl == "8192";
    edBaud->setText(fast ? "8192" : "160");
    commsDetail_->setVisible(fast);
    gbBuffers->setVisible(fast);
    gbCable->setVisible(fast);
    gbCaptureRate->setVisible(fast);
}

bool TfProperties::PortConfigured() const {
    return cbPort->currentIndex() >= 0;
}

void TfProperties::LoadSettings() {
    const TIniFile ini(IniPath());
    storedPort_ = ini.ReadString(Comm, "Port", "Com1");
    selectItem(cbPort, storedPort_);
    // A port the list does not offer shows as such until another is picked.
    cbPort->setPlaceholderText(QString::fromStdString(storedPort_) + " (not configured)");
    adaptToVehicle(vehicleAldl());
    selectItem(cbData, ini.ReadString(Comm, "DataBits", "8"));
    selectItem(cbParity, ini.ReadString(Comm, "Parity", "None"));
    selectItem(cbStop, ini.ReadString(Comm, "StopBits", "1"));
    edInBuffer->setText(QString::fromStdString(ini.ReadString(Comm, "In", "256")));
    edOutBuffer->setText(QString::fromStdString(ini.ReadString(Comm, "Out", "256")));
    cbEcho->setChecked(isOne(ini, Comm, "Echo", "1"));
    cbDTR->setChecked(isOne(ini, Comm, "DTR", "0"));
    cbRTS->setChecked(isOne(ini, Comm, "RTS", "0"));
    for (int i = 0; i < int(devices_.size()); ++i) {
        devices_[i] = ini.ReadString(Devices, deviceKey(i), defaultDevice(i));
    }
    portChanged();

    edCaptureRate->setText(QString::fromStdString(ini.ReadString(Props, "FrameCaptureRate", "10")));
    edPlayBackSpeed->setText(QString::fromStdString(ini.ReadString(Props, "PlayBackSpeed", "1")));
    edCaptureLimit->setText(
        QString::fromStdString(ini.ReadString(Props, "CaptureLimit", DefaultCaptureLimit)));
    cbPreciseTiming->setChecked(isOne(ini, Props, "PreciseTiming", "1"));
    edDataDir->setText(QString::fromStdString(ini.ReadString(Props, "DataDir", DefaultDataDir())));
    edVehicleDir->setText(
        QString::fromStdString(ini.ReadString(Props, "VehicleDir", DefaultVehicleDir())));
    edHelpDir->setText(QString::fromStdString(ini.ReadString(Props, "HelpDir", DefaultHelpDir())));
    const int saveData = intOr(ini.ReadString(Props, "SaveData", "1"), 1);
    const int saveVehicle = intOr(ini.ReadString(Props, "SaveVehicle", "1"), 1);
    const bool fileNames83 = isOne(ini, Props, "8.3FileNames", "0");
    if (options_) {
        options_->SaveData = saveData;
        options_->SaveVehicle = saveVehicle;
        options_->FileNames83 = fileNames83;
    }
    edPopupRows->setText(QString::fromStdString(ini.ReadString(Props, "PopupRows", "0")));

    setChecked(saveVehicleGroup_, saveVehicle);
    setChecked(saveDataGroup_, saveData);
    cbFileNames83->setChecked(fileNames83);
    ApplySettings();
}

void TfProperties::SaveSettings() {
    TIniFile ini(IniPath());
    if (PortConfigured()) { // else the stored name stays, for the message that names it
        ini.WriteString(Comm, "Port", text(cbPort));
    }
    ini.WriteString(Comm, "DataBits", text(cbData));
    ini.WriteString(Comm, "Parity", text(cbParity));
    ini.WriteString(Comm, "StopBits", text(cbStop));
    ini.WriteString(Comm, "In", text(edInBuffer));
    ini.WriteString(Comm, "Out", text(edOutBuffer));
    ini.WriteBool(Comm, "Echo", cbEcho->isChecked());
    ini.WriteBool(Comm, "DTR", cbDTR->isChecked());
    ini.WriteBool(Comm, "RTS", cbRTS->isChecked());
    // Only devices that differ from what is stored, so untouched ports keep their defaults.
    for (int i = 0; i < int(devices_.size()); ++i) {
        if (devices_[i] != ini.ReadString(Devices, deviceKey(i), defaultDevice(i))) {
            ini.WriteString(Devices, deviceKey(i), devices_[i]);
        }
    }

    ini.WriteString(Props, "FrameCaptureRate", text(edCaptureRate));
    ini.WriteString(Props, "PlayBackSpeed", text(edPlayBackSpeed));
    ini.WriteString(Props, "CaptureLimit", Format("%d", captureLimitOf(text(edCaptureLimit))));
    ini.WriteBool(Props, "PreciseTiming", cbPreciseTiming->isChecked());
    ini.WriteString(Props, "DataDir", text(edDataDir));
    ini.WriteString(Props, "VehicleDir", text(edVehicleDir));
    ini.WriteString(Props, "HelpDir", text(edHelpDir));
    // No button checked (an unknown stored value): the stored value stays.
    if (saveDataGroup_->checkedId() >= 0) {
        ini.WriteInteger(Props, "SaveData", saveDataGroup_->checkedId());
    }
    if (saveVehicleGroup_->checkedId() >= 0) {
        ini.WriteInteger(Props, "SaveVehicle", saveVehicleGroup_->checkedId());
    }
    ini.WriteString(Props, "PopupRows", text(edPopupRows));
    ini.WriteBool(Props, "8.3FileNames", cbFileNames83->isChecked());
    ini.UpdateFile();
    SetDataDir(text(edDataDir));
    SetVehicleDir(text(edVehicleDir));
    SetHelpDir(text(edHelpDir));
}

void TfProperties::ApplySettings() {
    if (link_ && options_) {
        ApplySettings(*link_, vehicleAldl(), *options_);
        return;
    }
    // Without a link or options, apply to stand-ins so the folders still take effect.
    TRtime timer;
    TRS232 link(timer);
    TMainOptions options;
    if (link_) {
        ApplySettings(*link_, vehicleAldl(), options);
    } else {
        ApplySettings(link, vehicleAldl(), options_ ? *options_ : options);
    }
}

void TfProperties::ApplySettings(TRS232& link, const std::string& vehicleAldl,
                                 TMainOptions& options) {
    // With no port chosen the link keeps to Com1's settings, but the window does not open it
    // (see PortConfigured).
    link.SetPort(cbPort->currentIndex() + 1);
    link.SetDevice(devices_[link.Port() - 1]);
    link.SetBaud(8228);
    link.SetDataBits(intOr(text(cbData), 8));
    link.SetParity(parityLetter(text(cbParity)));
    // "1.5" is not a whole number and gives one stop bit: the line has no half bits here.
    link.SetStopBits(intOr(text(cbStop), 1));
    link.Echo = cbEcho->isChecked();
    if (vehicleAldl == "160-808" || vehicleAldl == "160-C3") {
        link.SetBaud(vehicleAldl == "160-808" ? 1600 : 2400);
        link.SetDataBits(8);
        link.SetParity("N");
        link.SetStopBits(1);
        link.Echo = false;
    }
    link.HoldDTR = cbDTR->isChecked();
    link.HoldRTS = cbRTS->isChecked();
    link.FrameCaptureRate = intOr(text(edCaptureRate), 10);

    // A speed of 0 would never let the next frame fall due; keep it to a sane range.
    options.PlayBackSpeed = Clamp(ReadNumber(text(edPlayBackSpeed), 1.0), 0.01, 100.0);
    options.PreciseTiming = cbPreciseTiming->isChecked();
    options.CaptureLimit = captureLimitOf(text(edCaptureLimit));
    SetDataDir(text(edDataDir));
    SetVehicleDir(text(edVehicleDir));
    SetHelpDir(text(edHelpDir));
    if (saveDataGroup_->checkedId() >= 0) {
        options.SaveData = saveDataGroup_->checkedId();
    }
    if (saveVehicleGroup_->checkedId() >= 0) {
        options.SaveVehicle = saveVehicleGroup_->checkedId();
    }
    options.FileNames83 = cbFileNames83->isChecked();
    options.PopupRows = intOr(text(edPopupRows), 0);
    emit SettingsApplied();
}

int TfProperties::Execute() {
    accepted_ = false;
    commsChanged_ = false;
    LoadSettings();
    pageControl->setFocus();
    return exec();
}

void TfProperties::done(int r) {
    if (r == QDialog::Accepted) {
        // A settings file that cannot be written keeps the dialog open with the edits intact.
        try {
            SaveSettings();
        } catch (const std::exception& e) {
            QMessageBox::critical(this, windowTitle(), QString::fromStdString(e.what()));
            return;
        }
        accepted_ = true;
        ApplySettings();
    } else {
        accepted_ = false;
        LoadSettings();
    }
    QDialog::done(r);
}

bool TfProperties::BrowseForFolder(const QString& title, QString& folder) {
    std::error_code error;
    const bool exists =
        !folder.isEmpty() && std::filesystem::is_directory(folder.toStdString(), error);
    QFileDialog picker(this, title, exists ? folder : QString());
    picker.setFileMode(QFileDialog::Directory);
    picker.setOption(QFileDialog::ShowDirsOnly);
    picker.setAcceptMode(QFileDialog::AcceptOpen);
    if (exists) {
        picker.setDirectory(folder);
    }
    if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty()) {
        return false;
    }
    folder = QDir::toNativeSeparators(picker.selectedFiles().first());
    return true;
}

void TfProperties::browseInto(QLineEdit* folder, const QString& title) {
    QString path = folder->text();
    if (BrowseForFolder(title, path)) {
        folder->setText(path);
    }
}

// The same devices the console's port help names: the stable /dev/serial/by-id names first,
// then adapters, and on-board ports only when a UART is behind them (most PCs have 32 ttyS
// nodes and none or one real port).
QStringList TfProperties::SerialDevices() {
    QStringList found;
    for (const TSerialDeviceName& name : SerialDeviceNames()) {
        found << QString::fromStdString(name.Path);
    }
    return found;
}

void TfProperties::btnCheckTimerClick() {
    const TRtime timer;
    QMessageBox::information(this, windowTitle(),
                             timer.Frequency != 0 ? "High frequency timer found OK"
                                                  : "High frequency timer NOT found");
}

void TfProperties::portChanged() {
    const int port = cbPort->currentIndex();
    cbDevice->clear();
    // A stable name shows the tty it reaches; the item's data is the path to store.
    for (const TSerialDeviceName& name : SerialDeviceNames()) {
        cbDevice->addItem(QString::fromStdString(name.Text()), QString::fromStdString(name.Path));
    }
    cbDevice->setEnabled(port >= 0);
    cbDevice->setEditText(port >= 0 ? QString::fromStdString(devices_[port]) : QString());
}

void TfProperties::deviceChosen(int index) {
    const QString path = cbDevice->itemData(index).toString();
    cbDevice->setEditText(path);
    deviceEdited(path);
}

void TfProperties::deviceEdited(const QString& path) {
    const int port = cbPort->currentIndex();
    if (port >= 0) {
        devices_[port] = path.trimmed().toStdString();
    }
}

void TfProperties::sliderMoved(QSlider*, QLineEdit* text, int position) {
    if (!syncing_) {
        text->setText(QString::number(position));
    }
}

void TfProperties::textChanged(QLineEdit* line, QSlider* slider, int def) {
    syncing_ = true;
    slider->setValue(Clamp(intOr(text(line), def), slider->minimum(), slider->maximum()));
    syncing_ = false;
}
