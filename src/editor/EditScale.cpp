#include "editor/EditScale.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/IniFile.h"
#include "definitions/TableText.h"
#include "definitions/XMLData.h"
#include "editor/DBIniGrid.h"
#include "editor/DisplayScale.h"
#include "shell/WindowState.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

const char* const kSection = "fEditScale";

QLineEdit* edit(QWidget* parent, const char* name, const char* hint) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setToolTip(QString::fromUtf8(hint));
    return e;
}

QCheckBox* check(QWidget* parent, const char* name, const char* hint) {
    auto* c = new QCheckBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setToolTip(QString::fromUtf8(hint));
    return c;
}

QPushButton* smallButton(QWidget* parent, const char* text, const char* hint) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setToolTip(QString::fromUtf8(hint));
    b->setAutoDefault(false);
    b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("<-16")) + 16);
    return b;
}

QLabel* label(QWidget* parent, const char* text, QWidget* buddy) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setBuddy(buddy);
    return l;
}

} // namespace

TfEditScale::TfEditScale(TVehicle& vehicle, QWidget* parent, std::string iniFile)
    : QDialog(parent), vehicle_(vehicle),
      iniFile_(iniFile.empty() ? IniPath() : std::move(iniFile)), binder_(this) {
    setObjectName(QStringLiteral("fEditScale"));
    setWindowTitle(QStringLiteral("Scaling formulas"));
    setMinimumWidth(640);
    TTable& cat = vehicle.ScaleCodes;

    dbgScales = new TDBIniGrid(this);
    dbgScales->setObjectName(QStringLiteral("dbgScales"));
    dbgScales->IniFileName = iniFile_;
    dbgScales->SetTable(cat, {TGridColumn("SCode", "Scale code")});
    dbgScales->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgScales->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgScales->horizontalHeader()->setStretchLastSection(true);
    dbgScales->OnRowChanged = [this] { binder_.Refresh(); };

    auto* details = new QWidget(this);
    auto* form = new QGridLayout(details);
    form->setContentsMargins(6, 0, 0, 0);
    edSCode = edit(details, "edSCode", "Unique code of scaled value");
    edSDesc = edit(details, "edSDesc", "Description of scaled value");
    edUnits = edit(details, "edUnits", "Units of measure of scaled value");
    edFactor = edit(details, "edFactor", "Scaling factor");
    edOffset = edit(details, "edOffset", "Scaling offset");
    edAlarmMin = edit(details, "edAlarmMin", "Minimum acceptable value");
    edAlarmMax = edit(details, "edAlarmMax", "Maximum acceptable value");
    edDisplayMin = edit(details, "edDisplayMin", "Minimum chart display value");
    edDisplayMax = edit(details, "edDisplayMax", "Maximum chart display value");
    btnAlarm8 = smallButton(details, "<-8", "Calculate max and min alarm for 8 bit values");
    btnAlarm16 = smallButton(details, "<-16", "Calculate max and min alarm for 16 bit values");
    btnDisplay8 = smallButton(details, "<-8", "Calculate max and min display for 8 bit values");
    btnDisplay16 = smallButton(details, "<-16", "Calculate max and min display for 16 bit values");
    cbReverse = check(details, "cbReverse", "Reverse scaled values");
    cbInvert = check(details, "cbInvert", "Invert raw byte before scaling");
    cbSigned = check(details, "cbSigned", "Interpret as a signed value (i.e. -128..127)");
    cbHex = check(details, "cbHex", "Display as hexadecimal");
    mmComments = new QPlainTextEdit(details);
    mmComments->setObjectName(QStringLiteral("mmComments"));
    mmComments->setToolTip(QStringLiteral("Comments about the scaled value"));
    mmComments->setTabChangesFocus(true);

    int row = 0;
    auto wide = [&](const char* text, QWidget* w) {
        form->addWidget(label(details, text, w), row, 0);
        form->addWidget(w, row++, 1, 1, 5);
    };
    wide("Code:", edSCode);
    wide("Description:", edSDesc);
    wide("Units:", edUnits);
    wide("Factor:", edFactor);
    wide("Offset:", edOffset);
    auto range = [&](const char* text, QLineEdit* lo, QLineEdit* hi, QPushButton* b8,
                     QPushButton* b16) {
        form->addWidget(label(details, text, lo), row, 0);
        form->addWidget(lo, row, 1);
        form->addWidget(new QLabel(QStringLiteral("to"), details), row, 2);
        form->addWidget(hi, row, 3);
        form->addWidget(b8, row, 4);
        form->addWidget(b16, row++, 5);
    };
    range("Alarm:", edAlarmMin, edAlarmMax, btnAlarm8, btnAlarm16);
    range("Display:", edDisplayMin, edDisplayMax, btnDisplay8, btnDisplay16);
    auto boxes = new QHBoxLayout;
    for (auto [text, box] : {std::pair{"Reverse:", cbReverse}, std::pair{"Invert:", cbInvert},
                             std::pair{"Signed:", cbSigned}, std::pair{"Hex:", cbHex}}) {
        boxes->addWidget(label(details, text, box));
        boxes->addWidget(box);
        boxes->addSpacing(12);
    }
    boxes->addStretch();
    form->addLayout(boxes, row++, 0, 1, 6);
    form->addWidget(label(details, "Comments:", mmComments), row, 0, Qt::AlignTop);
    form->addWidget(mmComments, row, 1, 1, 5);
    form->setRowStretch(row, 1);
    form->setColumnStretch(1, 1);
    form->setColumnStretch(3, 1);

    splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("splitter"));
    splitter->addWidget(dbgScales);
    splitter->addWidget(details);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);

    navScales = new TDBNavigator(this, {nbInsert, nbDelete, nbPost, nbCancel},
                                 {"Insert scale", "Delete scale", "Post edit", "Cancel edit"});
    navScales->setObjectName(QStringLiteral("navScales"));
    navScales->SetTable(cat, dbgScales);
    navScales->OnClick = [this](TNavButton which) {
        TTable& t = vehicle_.ScaleCodes;
        if (which == nbInsert && t.State() == TTableState::dsInsert) {
            SetNewScaleDefaults(t);
        }
        dbgScales->Refresh();
        binder_.Refresh();
        edSCode->setFocus();
    };
    btnInput = new QPushButton(QStringLiteral("Show as &Input"), this);
    btnInput->setToolTip(QStringLiteral("Display table of sample input data"));
    btnOutput = new QPushButton(QStringLiteral("Show as &Output"), this);
    btnOutput->setToolTip(QStringLiteral("Display table of sample output data"));
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    for (QPushButton* b : {btnInput, btnOutput, btnCancel}) {
        b->setAutoDefault(false);
    }
    auto* bar = new QHBoxLayout;
    bar->addWidget(navScales);
    bar->addSpacing(8);
    bar->addWidget(btnInput);
    bar->addWidget(btnOutput);
    bar->addStretch();
    bar->addWidget(btnOk);
    bar->addSpacing(4);
    bar->addWidget(btnCancel);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(6, 6, 6, 6);
    box->addWidget(splitter, 1);
    box->addLayout(bar);

    for (auto [e, f] :
         {std::pair{edSCode, "SCode"}, std::pair{edSDesc, "SDesc"}, std::pair{edUnits, "Units"},
          std::pair{edFactor, "Factor"}, std::pair{edOffset, "Offset"},
          std::pair{edAlarmMin, "AlarmMin"}, std::pair{edAlarmMax, "AlarmMax"},
          std::pair{edDisplayMin, "DisplayMin"}, std::pair{edDisplayMax, "DisplayMax"}}) {
        binder_.Bind(e, cat, f);
    }
    for (auto [c, f] : {std::pair{cbReverse, "Reverse"}, std::pair{cbInvert, "Invert"},
                        std::pair{cbSigned, "Signed"}, std::pair{cbHex, "Hex"}}) {
        binder_.Bind(c, cat, f);
    }
    binder_.Bind(mmComments, cat, "Comments");

    connect(btnAlarm8, &QPushButton::clicked, this, [this] { CalculateRange(8, "Alarm"); });
    connect(btnAlarm16, &QPushButton::clicked, this, [this] { CalculateRange(16, "Alarm"); });
    connect(btnDisplay8, &QPushButton::clicked, this, [this] { CalculateRange(8, "Display"); });
    connect(btnDisplay16, &QPushButton::clicked, this, [this] { CalculateRange(16, "Display"); });
    connect(btnOutput, &QPushButton::clicked, this, &TfEditScale::ShowAsOutput);
    connect(btnInput, &QPushButton::clicked, this, &TfEditScale::ShowAsInput);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    display_ = new TfDisplayScale(this, iniFile_);
    ShowDisplay = [](TfDisplayScale& d) { d.exec(); };

    resize(720, 460);
    TIniFile ini(iniFile_);
    LoadWindowState(*this, kSection, ini);
    const int split = std::max(40, ini.ReadInteger(kSection, "ScaleSplit", 150));
    splitter->setSizes({split, std::max(200, width() - split)});
    refresh();
}

TfEditScale::~TfEditScale() {
    try {
        TIniFile ini(iniFile_);
        SaveWindowState(*this, kSection, ini);
        ini.WriteInteger(kSection, "ScaleSplit", splitter->sizes().value(0, 150));
        ini.UpdateFile();
    } catch (const EQuorvinError&) {
        // Placement is not worth an error message.
    }
}

void TfEditScale::refresh() {
    dbgScales->Refresh();
    binder_.Refresh();
}

void TfEditScale::showEvent(QShowEvent* event) {
    refresh();
    QDialog::showEvent(event);
}

bool TfEditScale::CommitEdits() {
    return dbgScales->Commit() && binder_.Commit();
}

void TfEditScale::done(int result) {
    // Whatever closes the window, what was typed goes into the catalogue first.
    if (!CommitEdits()) {
        return;
    }
    QDialog::done(result);
}

void TfEditScale::CalculateRange(int bits, const std::string& prefix) {
    TTable& t = vehicle_.ScaleCodes;
    if (!t.CurrentRecord()) {
        return;
    }
    const TValueRange r =
        ScaledRange(bits, cbInvert->isChecked(), cbReverse->isChecked(), cbSigned->isChecked(),
                    ReadNumber(edOffset->text().toStdString(), 0),
                    ReadNumber(edFactor->text().toStdString(), 1), false);
    try {
        WriteRange(t, prefix, r);
    } catch (const EQuorvinError& e) {
        ShowEditError(this, e.what());
        return;
    }
    QLineEdit* lo = prefix == "Alarm" ? edAlarmMin : edDisplayMin;
    QLineEdit* hi = prefix == "Alarm" ? edAlarmMax : edDisplayMax;
    lo->setText(QString::fromStdString(t.AsString(prefix + "Min")));
    hi->setText(QString::fromStdString(t.AsString(prefix + "Max")));
}

void TfEditScale::ShowAsOutput() {
    display_->SetRows(OutputConversionRows(ReadNumber(edFactor->text().toStdString(), 1),
                                           ReadNumber(edOffset->text().toStdString(), 0),
                                           cbInvert->isChecked(), cbReverse->isChecked(),
                                           cbSigned->isChecked()),
                      "Converted");
    ShowDisplay(*display_);
}

void TfEditScale::ShowAsInput() {
    display_->SetRows(InputConversionRows(ReadNumber(edFactor->text().toStdString(), 1),
                                          ReadNumber(edOffset->text().toStdString(), 0)),
                      "Input");
    ShowDisplay(*display_);
}
