#pragma once
#include <QDialog>

#include <array>
#include <functional>
#include <string>

class TRS232;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QTabWidget;
class QWidget;

// The main window members the properties dialog sets.
struct TMainOptions {
    int SaveData = 1;    // unsaved logged data: 0 auto save, 1 prompt, 2 discard
    int SaveVehicle = 1; // unsaved vehicle definition: 0 auto save, 1 prompt, 2 discard
    bool FileNames83 = false;
    int PopupRows = 0; // rows per popup-menu column, 0 = automatic
    double PlayBackSpeed = 1;
    bool PreciseTiming = true;
    int CaptureLimit = 2000000; // logged frames a capture takes before a run stops (about 46 h)
};

// "Properties...": the communication, folder, speed, timing and popup-menu settings of the ini
// file, applied to the serial link, the main window's options and the program's folders.
class TfProperties : public QDialog {
    Q_OBJECT
public:
    // link and options may be null (nothing is applied to them); vehicleAldl gives the loaded
    // vehicle's "ALDL" field ("8192" when not given). Restores the placement, loads the settings
    // and applies them.
    TfProperties(TRS232* link, TMainOptions* options, std::function<std::string()> vehicleAldl,
                 QWidget* parent = nullptr);
    ~TfProperties() override;

    void LoadSettings();
    void SaveSettings();  // throws EQuorvinError when the ini file cannot be written
    void ApplySettings(); // to the link and options given at creation
    void ApplySettings(TRS232& link, const std::string& vehicleAldl, TMainOptions& options);
    bool CommsChanged() const { return commsChanged_; }
    // False when the settings name a port the list does not offer (Com9): nothing is opened.
    bool PortConfigured() const;
    std::string StoredPort() const { return storedPort_; } // as the settings file has it
    bool Accepted() const { return accepted_; }
    // Shows the dialog modally; Ok saves and applies the settings, Cancel reloads the stored ones.
    int Execute();
    // The folder picker of the "..." buttons: true and the folder when one was chosen.
    bool BrowseForFolder(const QString& title, QString& folder);
    // The serial devices present on this machine, stable /dev/serial/by-id names first.
    static QStringList SerialDevices();

    // Controls, reachable for the tests.
    QTabWidget* pageControl = nullptr;
    QLineEdit *edVehicleDir = nullptr, *edDataDir = nullptr, *edHelpDir = nullptr;
    QRadioButton *rbVehicleAuto = nullptr, *rbVehiclePrompt = nullptr, *rbVehicleDiscard = nullptr;
    QRadioButton *rbDataDiscard = nullptr, *rbDataPrompt = nullptr, *rbDataAuto = nullptr;
    QCheckBox* cbFileNames83 = nullptr;
    QGroupBox *gbComms = nullptr, *gbCable = nullptr, *gbBuffers = nullptr,
              *gbCaptureRate = nullptr;
    QComboBox *cbPort = nullptr, *cbData = nullptr, *cbParity = nullptr, *cbStop = nullptr;
    QComboBox* cbDevice = nullptr;
    QLineEdit* edBaud = nullptr;
    QCheckBox *cbDTR = nullptr, *cbRTS = nullptr, *cbEcho = nullptr;
    QLineEdit *edInBuffer = nullptr, *edOutBuffer = nullptr;
    QLineEdit* edPlayBackSpeed = nullptr;
    QLineEdit* edCaptureRate = nullptr;
    QLineEdit* edCaptureLimit = nullptr;
    QSlider* tbCaptureRate = nullptr;
    QCheckBox* cbPreciseTiming = nullptr;
    QLineEdit* edPopupRows = nullptr;
    QSlider* tbPopupRows = nullptr;

signals:
    void SettingsApplied();

protected:
    void done(int r) override;

private:
    void buildControls();
    void btnCheckTimerClick();
    void portChanged();
    void deviceChosen(int index); // from the list: its path, without the tty shown beside it
    void deviceEdited(const QString& text);
    void commsControlChanged() { commsChanged_ = true; }
    void adaptToVehicle(const std::string& aldl);
    void browseInto(QLineEdit* folder, const QString& title);
    void sliderMoved(QSlider* slider, QLineEdit* text, int position);
    void textChanged(QLineEdit* text, QSlider* slider, int def);
    std::string vehicleAldl() const;

    TRS232* link_ = nullptr;
    TMainOptions* options_ = nullptr;
    std::function<std::string()> vehicleAldl_;
    std::array<std::string, 8> devices_; // device path of Com1 .. Com8 as edited
    std::string storedPort_ = "Com1";
    QWidget* commsDetail_ = nullptr;
    QButtonGroup* saveVehicleGroup_ = nullptr;
    QButtonGroup* saveDataGroup_ = nullptr;
    bool syncing_ = false; // a text is moving its slider
    bool accepted_ = false;
    bool commsChanged_ = false;
};
