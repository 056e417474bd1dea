#include "shell/Properties.h"

#include "link/RS232.h"

#include <QDir>

TfProperties::TfProperties(TRS232* link, TMainOptions* options,
                           std::function<std::string()> vehicleAldl, QWidget* parent)
    : QDialog(parent), link_(link), options_(options), vehicleAldl_(std::move(vehicleAldl)) {
    setObjectName("fProperties");
    setWindowTitle("Properties...");
}

TfProperties::~TfProperties() = default;

void TfProperties::LoadSettings() {}
void TfProperties::SaveSettings() {}
void TfProperties::ApplySettings() {}
void TfProperties::ApplySettings(TRS232&, const std::string&, TMainOptions&) {}

int TfProperties::Execute() {
    accepted_ = false;
    commsChanged_ = false;
    return exec();
}

bool TfProperties::BrowseForFolder(const QString&, QString&) {
    return false;
}

QStringList TfProperties::SerialDevices() {
    return {};
}

void TfProperties::done(int r) {
    QDialog::done(r);
}

void TfProperties::buildControls() {}
void TfProperties::btnCheckTimerClick() {}
void TfProperties::portChanged() {}
void TfProperties::deviceEdited(const QString&) {}
void TfProperties::adaptToVehicle(const std::string&) {}
