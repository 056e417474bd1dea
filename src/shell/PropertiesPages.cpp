// The five tabs of the properties dialog: controls, captions and hints.
#include "shell/Properties.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QRadioButton* radio(const char* caption, const char* hint, QButtonGroup* group, int id) {
    auto* button = new QRadioButton(caption);
    button->setToolTip(hint);
    group->addButton(button, id);
    return button;
}

QCheckBox* check(const char* caption, const char* hint) {
    auto* box = new QCheckBox(caption);
    box->setToolTip(hint);
    return box;
}

QComboBox* list(const QStringList& items, const char* hint) {
    auto* combo = new QComboBox;
    combo->addItems(items);
    combo->setToolTip(hint);
    return combo;
}

QLineEdit* edit(const char* hint, int width = 0) {
    auto* line = new QLineEdit;
    line->setToolTip(hint);
    if (width > 0) {
        line->setFixedWidth(width);
    }
    return line;
}

QLabel* note(const char* text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    return label;
}

QSlider* slider(int lo, int hi, int pageStep) {
    auto* bar = new QSlider(Qt::Horizontal);
    bar->setRange(lo, hi);
    bar->setPageStep(pageStep);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setTickInterval(pageStep);
    return bar;
}

// A folder text with its "..." button in one row.
QHBoxLayout* folderRow(QLineEdit* text, QPushButton* browse) {
    auto* row = new QHBoxLayout;
    row->addWidget(text, 1);
    browse->setToolTip("Browse");
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance("...") + 24);
    row->addWidget(browse);
    return row;
}

QHBoxLayout* radioRow(std::initializer_list<QWidget*> widgets) {
    auto* row = new QHBoxLayout;
    for (QWidget* w : widgets) {
        row->addWidget(w);
    }
    row->addStretch(1);
    return row;
}

// A number text, a unit caption and room to its right.
QHBoxLayout* numberRow(QWidget* number, const char* unit) {
    auto* row = new QHBoxLayout;
    row->addWidget(number);
    row->addWidget(new QLabel(unit));
    row->addStretch(1);
    return row;
}

QWidget* page(std::initializer_list<QGroupBox*> groups) {
    auto* w = new QWidget;
    auto* column = new QVBoxLayout(w);
    for (QGroupBox* g : groups) {
        column->addWidget(g);
    }
    column->addStretch(1);
    return w;
}

} // namespace

void TfProperties::buildControls() {
    // ---- General ----
    auto* gbVehicle = new QGroupBox("Vehicle definition files directory: (*.xml)");
    edVehicleDir = edit("Full pathname of vehicle directory");
    auto* btnVehicleDir = new QPushButton("...");
    saveVehicleGroup_ = new QButtonGroup(this);
    rbVehicleAuto =
        radio("Auto save", "Always save vehicle definitions without asking", saveVehicleGroup_, 0);
    rbVehiclePrompt =
        radio("Prompt", "Always ask before saving vehicle definitions", saveVehicleGroup_, 1);
    rbVehicleDiscard =
        radio("Discard", "Always discard vehicle definitions without asking", saveVehicleGroup_, 2);
    auto* vehicleColumn = new QVBoxLayout(gbVehicle);
    vehicleColumn->addLayout(folderRow(edVehicleDir, btnVehicleDir));
    vehicleColumn->addLayout(radioRow({rbVehicleAuto, rbVehiclePrompt, rbVehicleDiscard}));

    auto* gbData = new QGroupBox("Logged data files directory: (*.alg)");
    edDataDir = edit("Full pathname of data directory");
    auto* btnDataDir = new QPushButton("...");
    saveDataGroup_ = new QButtonGroup(this);
    rbDataDiscard =
        radio("Discard", "Always discard logged data without asking", saveDataGroup_, 2);
    rbDataPrompt = radio("Prompt", "Always ask before saving logged data", saveDataGroup_, 1);
    rbDataAuto = radio("Auto save", "Always save logged data without asking", saveDataGroup_, 0);
    cbFileNames83 = check("8.3 filename:", "Save logged data using 8.3 filenames");
    auto* dataColumn = new QVBoxLayout(gbData);
    dataColumn->addLayout(folderRow(edDataDir, btnDataDir));
    dataColumn->addLayout(radioRow({rbDataDiscard, rbDataPrompt, rbDataAuto, cbFileNames83}));

    auto* gbHelp = new QGroupBox("Help files directory: (*.htm)");
    edHelpDir = edit("Full pathname of help file directory");
    auto* btnHelpDir = new QPushButton("...");
    auto* helpColumn = new QVBoxLayout(gbHelp);
    helpColumn->addLayout(folderRow(edHelpDir, btnHelpDir));

    connect(btnVehicleDir, &QPushButton::clicked, this,
            [this] { browseInto(edVehicleDir, "Select vehicle files' directory..."); });
    connect(btnDataDir, &QPushButton::clicked, this,
            [this] { browseInto(edDataDir, "Select data files' directory..."); });
    connect(btnHelpDir, &QPushButton::clicked, this,
            [this] { browseInto(edHelpDir, "Select help files' directory..."); });

    // ---- Comms ----
    gbComms = new QGroupBox("Comms:");
    cbPort = list({"Com1", "Com2", "Com3", "Com4", "Com5", "Com6", "Com7", "Com8"},
                  "Serial port number");
    cbDevice = list({}, "Serial device of the port (pick one present or type its path)");
    cbDevice->setEditable(true);
    cbDevice->setInsertPolicy(QComboBox::NoInsert);
    edBaud = edit("Baud rate of the vehicle's interface", 60);
    edBaud->setReadOnly(true);
    cbData = list({"4", "5", "6", "7", "8"}, "Data bits (8)");
    cbParity = list({"Odd", "None", "Mark", "Even"}, "Parity (None)");
    cbStop = list({"1", "1.5", "2"}, "Stop bits (1)");
    auto* commsForm = new QFormLayout(gbComms);
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(cbPort);
    portRow->addWidget(new QLabel("Device:"));
    portRow->addWidget(cbDevice, 1);
    commsForm->addRow("Port:", portRow);
    commsForm->addRow("Baud:", numberRow(edBaud, ""));
    // The line details, hidden together for a 160 baud vehicle.
    commsDetail_ = new QWidget;
    auto* detailRow = new QHBoxLayout(commsDetail_);
    detailRow->setContentsMargins(0, 0, 0, 0);
    detailRow->addWidget(new QLabel("Data:"));
    detailRow->addWidget(cbData);
    detailRow->addSpacing(8);
    detailRow->addWidget(new QLabel("Parity:"));
    detailRow->addWidget(cbParity);
    detailRow->addSpacing(8);
    detailRow->addWidget(new QLabel("Stop:"));
    detailRow->addWidget(cbStop);
    detailRow->addStretch(1);
    commsForm->addRow(commsDetail_);

    gbCable = new QGroupBox("Interface cable:");
    cbDTR = check("Hold DTR line high:", "Tick to power the DTR serial pin");
    cbRTS = check("Hold RTS line high:", "Tick to power the RTS serial pin");
    cbEcho = check("Max232 echo:", "Tick if interface hardware echos outbound data");
    auto* cableColumn = new QVBoxLayout(gbCable);
    cableColumn->addWidget(cbDTR);
    cableColumn->addWidget(cbRTS);
    cableColumn->addWidget(cbEcho);

    gbBuffers = new QGroupBox("Buffer sizes:");
    edInBuffer = edit("Input buffer size (256)", 60);
    edOutBuffer = edit("Output buffer size (256)", 60);
    auto* buffersForm = new QFormLayout(gbBuffers);
    buffersForm->addRow("Input:", numberRow(edInBuffer, "bytes."));
    buffersForm->addRow("Output:", numberRow(edOutBuffer, "bytes."));

    auto* commsPage = new QWidget;
    auto* commsGrid = new QGridLayout(commsPage);
    commsGrid->addWidget(gbComms, 0, 0, 1, 2);
    commsGrid->addWidget(gbCable, 1, 0);
    commsGrid->addWidget(gbBuffers, 1, 1);
    commsGrid->setRowStretch(2, 1);

    // Every user change of a Comms control asks the main window to reopen the link.
    for (QComboBox* combo : {cbPort, cbData, cbParity, cbStop, cbDevice}) {
        connect(combo, &QComboBox::activated, this, &TfProperties::commsControlChanged);
    }
    for (QCheckBox* box : {cbDTR, cbRTS, cbEcho}) {
        connect(box, &QCheckBox::clicked, this, &TfProperties::commsControlChanged);
    }
    for (QLineEdit* line : {edInBuffer, edOutBuffer, cbDevice->lineEdit()}) {
        connect(line, &QLineEdit::textEdited, this, &TfProperties::commsControlChanged);
    }
    connect(cbPort, &QComboBox::activated, this, &TfProperties::portChanged);
    connect(cbDevice->lineEdit(), &QLineEdit::textEdited, this, &TfProperties::deviceEdited);
    connect(cbDevice, &QComboBox::activated, this, &TfProperties::deviceChosen);

    // ---- Speed ----
    auto* gbPlayBack = new QGroupBox("Playback speed:");
    edPlayBackSpeed = edit("Play back at this many times the recorded speed", 60);
    auto* playBackColumn = new QVBoxLayout(gbPlayBack);
    playBackColumn->addLayout(numberRow(edPlayBackSpeed, "times normal speed"));

    auto* gbCaptureLimit = new QGroupBox("Capture limit (frames):");
    edCaptureLimit = edit("A run that has logged this many frames stops", 90);
    auto* limitColumn = new QVBoxLayout(gbCaptureLimit);
    limitColumn->addLayout(numberRow(edCaptureLimit, "frames"));
    limitColumn->addWidget(
        note("A run stops with \"Frame capture buffer is full\" when its log holds this many "
             "frames. 2,000,000 frames are about 46 hours at 12 frames per second."));

    gbCaptureRate = new QGroupBox("Frame capture rate:");
    tbCaptureRate = slider(1, 32, 5);
    tbCaptureRate->setToolTip("Frames per second requested from the vehicle");
    edCaptureRate = edit("Frames per second requested from the vehicle", 40);
    auto* rateRow = new QHBoxLayout;
    rateRow->addWidget(tbCaptureRate, 1);
    rateRow->addWidget(edCaptureRate);
    rateRow->addWidget(new QLabel("/sec"));
    auto* rateColumn = new QVBoxLayout(gbCaptureRate);
    rateColumn->addLayout(rateRow);
    rateColumn->addWidget(
        note("Rates above 10 frames per second are usually not achievable. At 8192 baud a "
             "67-byte frame takes about 80 ms to arrive, a theoretical maximum of about 12 "
             "frames per second; with the time taken to send and process each request, 10 "
             "frames per second is the realistic maximum."));

    // ---- Timing ----
    auto* gbTiming = new QGroupBox("Frame capture timing:");
    cbPreciseTiming = check("Precision timing", "Time each frame to the millisecond");
    auto* btnCheckTimer = new QPushButton("Check high frequency timer");
    btnCheckTimer->setToolTip("Does your PC have a high frequency timer?");
    auto* timingColumn = new QVBoxLayout(gbTiming);
    timingColumn->addWidget(
        note("This option makes frame capture timing accurate to the millisecond by using the "
             "whole of the processor, which leaves other programs unusable while data is "
             "captured. Turn it off when other programs must run while data is being "
             "captured."));
    timingColumn->addWidget(cbPreciseTiming);
    timingColumn->addLayout(radioRow({btnCheckTimer}));
    connect(btnCheckTimer, &QPushButton::clicked, this, &TfProperties::btnCheckTimerClick);

    // ---- Misc ----
    auto* gbPopup = new QGroupBox("Popup menus:");
    edPopupRows = edit("Number of items per popup-menu column", 40);
    tbPopupRows = slider(0, 100, 5);
    tbPopupRows->setToolTip("Number of items per popup-menu column");
    auto* rowsRow = new QHBoxLayout;
    rowsRow->addWidget(new QLabel("Rows:"));
    rowsRow->addWidget(edPopupRows);
    rowsRow->addWidget(tbPopupRows, 1);
    auto* popupColumn = new QVBoxLayout(gbPopup);
    popupColumn->addLayout(rowsRow);
    popupColumn->addWidget(
        note("Some older systems cannot show popup menus that are taller than the screen. "
             "This value limits the height of popup menus to the given number of rows per "
             "column. Enter 0 to let the program determine the height."));

    // A slider writes its position into its text; the text moves the slider.
    connect(tbCaptureRate, &QSlider::valueChanged, this,
            [this](int v) { sliderMoved(tbCaptureRate, edCaptureRate, v); });
    connect(edCaptureRate, &QLineEdit::textChanged, this,
            [this] { textChanged(edCaptureRate, tbCaptureRate, 1); });
    connect(tbPopupRows, &QSlider::valueChanged, this,
            [this](int v) { sliderMoved(tbPopupRows, edPopupRows, v); });
    connect(edPopupRows, &QLineEdit::textChanged, this,
            [this] { textChanged(edPopupRows, tbPopupRows, 0); });

    pageControl = new QTabWidget;
    pageControl->addTab(page({gbVehicle, gbData, gbHelp}), "General");
    pageControl->addTab(commsPage, "Comms");
    pageControl->addTab(page({gbPlayBack, gbCaptureRate, gbCaptureLimit}), "Speed");
    pageControl->addTab(page({gbTiming}), "Timing");
    pageControl->addTab(page({gbPopup}), "Misc");

    auto* buttons = new QDialogButtonBox;
    auto* btnOk = buttons->addButton("Ok", QDialogButtonBox::AcceptRole);
    btnOk->setDefault(true);
    buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->addWidget(pageControl);
    column->addWidget(buttons);
}
