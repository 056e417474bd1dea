#include "editor/edV.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/Format.h"
#include "common/IniFile.h"
#include "definitions/XMLData.h"
#include "editor/DBIniGrid.h"
#include "editor/EditFrame.h"
#include "link/Rtime.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QLineEdit* lineEdit(QWidget* parent, const char* hint) {
    auto* e = new QLineEdit(parent);
    if (hint && *hint)
        e->setToolTip(QString::fromUtf8(hint));
    return e;
}

QComboBox* dropDown(QWidget* parent, const char* hint, QStringList items) {
    auto* c = new QComboBox(parent);
    c->addItems(items);
    if (hint && *hint)
        c->setToolTip(QString::fromUtf8(hint));
    return c;
}

QPlainTextEdit* memo(QWidget* parent, const char* hint) {
    auto* m = new QPlainTextEdit(parent);
    m->setToolTip(QString::fromUtf8(hint));
    m->setTabChangesFocus(true);
    return m;
}

QFormLayout* form() {
    auto* f = new QFormLayout;
    f->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    f->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    return f;
}

const char* const kHelp[6] = {
    "T1: Interval timeout\r\n\r\nT1 Specifies the maximum time, in milliseconds, allowed to elapse "
    "between the arrival of two characters on the Aldl. \r\n\r\nFor 8192 baud data:\r\nThe Aldl "
    "hardware transmits 10 bits per character (1 start bit, 8 data bits and 1 stop bit) at 8192 "
    "baud, which is approximately 820 characters per second, or 1.22 characters per "
    "millisecond.\r\nTheoretically, this value should not need to be set any higher than 2 "
    "milliseconds - but the pre-emptive nature and the coarse timing granularity of Microsoft "
    "Windows means that 10 milliseconds is the practical minimum for this value.\r\nThis value "
    "should be set to 0 or between 25..100 milliseconds.\r\n\r\nFor 160 baud data:\r\nThe Aldl "
    "hardware transmits 10 bits per character (1 start bit, 8 data bits and 1 stop bit) at 160 "
    "baud, which is approximately 16 characters per second, or 1 character per "
    "62.5ms.\r\nTheoretically, this value should not need to be set any higher than 650 "
    "milliseconds - but the pre-emptive nature and the coarse timing granularity of Microsoft "
    "Windows means that 70 milliseconds is the practical minimum for this value.\r\nThis value "
    "should be set to 0 or between 70..100 milliseconds.\r\n\r\nThe higher the value the longer "
    "Quorvin will wait when no data is available on the Aldl. Quorvin will be slow to respond and "
    "will appear sluggish. \r\n\r\nThe lower the value the more chance there is of dropping the "
    "end of a frame which will result in a checksum failure and the whole frame being discarded.",
    "T2: Timeout multiplier\r\n\r\nT2 Specifies the multiplier, in milliseconds, used to "
    "calculate the total time-out period for a single frame. \r\nFor each frame,  this value is "
    "multiplied by the expected length of the entire frame.\r\n\r\nThis value, combined with T3, "
    "determines the length of time that Quorvin will wait for each frame to be completely "
    "received from the Aldl.\r\n\r\nFor 8192 baud data:\r\nThis value should be set to 0 or "
    "between 5..20 milliseconds.\r\n\r\nFor 160 baud data:\r\nThis value should be set to 0 or "
    "between 70..100 milliseconds.\r\n\r\nThe higher the value the longer Quorvin will wait when "
    "no data is available on the Aldl. Quorvin will be slow to respond and will appear sluggish. "
    "\r\n\r\nThe lower the value the more chance there is of Quorvin reporting that there is no "
    "data available.",
    "T3: Timeout constant\r\n\r\nT3 Specifies the constant, in milliseconds, used to calculate the "
    "total time-out period for receiving Aldl frames. \r\nFor each frame, this value is added to "
    "the product of T2 and the expected length of the entire frame.\r\n\r\nThis value, combined "
    "with T2, determines the length of time that Quorvin will wait for each frame to be "
    "completely received from the Aldl.\r\n\r\nFor 8192 baud data:\r\nThis value should be set "
    "between 100..1000 milliseconds.\r\n\r\nFor 160 baud data:\r\nThis value should be set "
    "between 1300..2000 milliseconds.\r\n\r\nThe higher the value the longer Quorvin will wait "
    "when no data is available on the Aldl. Quorvin will be slow to respond and will appear "
    "sluggish. \r\n\r\nThe lower the value the more chance there is of Quorvin reporting that "
    "there is no data available.",
    "T4: Request delay\r\n\r\nT4 Specifies the required delay, in milliseconds, between receiving "
    "the last byte of the heartbeat frame and sending the first byte of a request "
    "frame.\r\n\r\nThis value should be set between 0..10 milliseconds.\r\n\r\nThe actual value "
    "is VERY ECM/PCM specific. Usually a value of 0 will work. Although some ECMs are very "
    "sensitive about this delay and require it to be set very accurately. Trail and error is "
    "probably the easiest way to set this value.\r\n\r\nTo achieve sub-millisecond timings, the "
    "implementation of this delay uses a high frequency timer - if your PC does not have a high "
    "frequency timer then this setting will have no effect.",
    "T5: Write/Read delay\r\n\r\nT5 Specifies the delay, in milliseconds, between sending the last "
    "byte of a command frame and attempting to read the reply frame.\r\n\r\nFor most "
    "applications this can be safely set to 0.\r\n\r\nHowever some serial drivers require a "
    "short amount of time to change from sending to receiving. If the serial communications "
    "appears to fail or hang for no apparent reason then it is advisable to set this value "
    "between 10..50 milliseconds",
    "T6: Find silence\r\n\r\nT6 is used to determine when the Aldl bus is \"silent\". \r\n\r\nIf "
    "no data is received for this length of time then Quorvin \"assumes\" that it is safe to "
    "send data onto the Aldl bus.\r\n\r\nFor most applications this can be safely set between "
    "30..100ms.\r\n\r\nThe actual value should be at most, half the number of milliseconds of "
    "the longest period of silence following any chatter frame. Usually this means half of the "
    "number of milliseconds following the heartbeat frame, since the heartbeat frame is defined "
    "as the frame with the longest period of silence following.",
};

} // namespace

std::string TframeEdV::HelpText(int t) {
    return t >= 1 && t <= 6 ? kHelp[t - 1] : "";
}

std::string TframeEdV::DefaultFrame(const std::string& field) {
    if (field == "HeartBeat")
        return "$08,$55,$A3";
    if (field == "Suspend")
        return "$F1,$56,$08,$B1";
    if (field == "Resume")
        return "$F1,$56,$09,$B0";
    return {};
}

TframeEdV::TframeEdV(TVehicle& vehicle, QWidget* parent)
    : TEditorPage(vehicle, parent), binder_(this), macroBinder_(this) {
    RunFrameEditor = [](TfEditFrame& editor) { return editor.exec() == QDialog::Accepted; };
    pcVehicle = new QTabWidget(this);
    pcVehicle->addTab(applicationTab(), QStringLiteral("&Application"));
    chatterTab_ = chatterTab();
    pcVehicle->addTab(chatterTab_, QStringLiteral("&Chatter"));
    pcVehicle->addTab(timingTab(), QStringLiteral("&Timing"));
    pcVehicle->addTab(macrosTab(), QStringLiteral("&Macros"));
    pcVehicle->addTab(authorTab(), QStringLiteral("A&uthor"));
    connect(pcVehicle, &QTabWidget::currentChanged, this, [this](int index) {
        if (index != 3)
            return;
        int total = macroSplit->width();
        if (total > macroWidth_)
            macroSplit->setSizes({macroWidth_, total - macroWidth_});
    });
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(EditorPageHeader(this, EditorNodeIcon(0), QStringLiteral("Vehicle")));
    box->addWidget(pcVehicle, 1);

    binder_.OnUserChange = [this](QWidget* control, const std::string&) {
        if (control == edVCode)
            RefreshPicture();
        if (control == edVCode || control == edVDesc)
            NodeTextChanged();
        if (control == cbALDL)
            RefreshBaud();
        if (control == cbChatter)
            RefreshChatter();
    };
    RefreshChatter();
}

TframeEdV::~TframeEdV() = default;

QWidget* TframeEdV::applicationTab() {
    auto* tab = new QWidget;
    TTable& v = Vehicle.Vehicles;
    edVCode = lineEdit(tab, "Short description of vehicle");
    edVDesc = lineEdit(tab, "Long description of vehicle");
    auto* edBody = lineEdit(tab, "Body code (US: F-Body, Y-Body) (Aust: VR, VS, VT)");
    auto* edYear = lineEdit(tab, "Years of manufacture (eg 91-95)");
    auto* edLitres = lineEdit(tab, "Engine size in litres");
    auto* edEngine = lineEdit(tab, "");
    auto* cbTrans = dropDown(tab, "", {"Automatic", "Manual", "Both", "Other"});
    auto* cbInjection = dropDown(tab, "", {"TBI", "PFI", "SFI", "Other"});
    auto* edEpromID = lineEdit(tab, "Two byte Eprom ID (eg $427E)");
    auto* edVIN = lineEdit(tab, "ECM specific part of the V.I.N.");
    cbALDL = dropDown(tab, "", {"160-808", "160-C3", "8192"});
    auto* f = form();
    auto* code = new QLabel(QStringLiteral("Code:"), tab);
    QFont bold = code->font();
    bold.setBold(true);
    code->setFont(bold);
    f->addRow(code, edVCode);
    f->addRow(QStringLiteral("Description:"), edVDesc);
    f->addRow(QStringLiteral("Body:"), edBody);
    f->addRow(QStringLiteral("Year:"), edYear);
    f->addRow(QStringLiteral("Litres:"), edLitres);
    f->addRow(QStringLiteral("Engine:"), edEngine);
    f->addRow(QStringLiteral("Trans:"), cbTrans);
    f->addRow(QStringLiteral("Injection:"), cbInjection);
    f->addRow(QStringLiteral("Eprom ID:"), edEpromID);
    f->addRow(QStringLiteral("VIN:"), edVIN);
    f->addRow(QStringLiteral("ALDL baud:"), cbALDL);
    imgVehicle = new QLabel(QStringLiteral("Image not available."), tab);
    imgVehicle->setToolTip(QStringLiteral("Displays bitmap file: <Code>.bmp, if it exists"));
    imgVehicle->setAlignment(Qt::AlignCenter);
    imgVehicle->setFrameShape(QFrame::StyledPanel);
    imgVehicle->setMinimumSize(160, 120);
    imgVehicle->setWordWrap(true);
    auto* row = new QHBoxLayout(tab);
    row->addLayout(f, 3);
    row->addWidget(imgVehicle, 2);
    binder_.Bind(edVCode, v, "VCode");
    binder_.Bind(edVDesc, v, "VDesc");
    binder_.Bind(edBody, v, "Body");
    binder_.Bind(edYear, v, "Year");
    binder_.Bind(edLitres, v, "Litres");
    binder_.Bind(edEngine, v, "Engine");
    binder_.Bind(cbTrans, v, "Transmission");
    binder_.Bind(cbInjection, v, "Injection");
    binder_.Bind(edEpromID, v, "EpromID");
    binder_.Bind(edVIN, v, "VIN");
    binder_.Bind(cbALDL, v, "ALDL");
    return tab;
}

QWidget* TframeEdV::chatterTab() {
    auto* tab = new QWidget;
    TTable& v = Vehicle.Vehicles;
    cbChatter = new QCheckBox(tab);
    cbChatter->setToolTip(QStringLiteral("Synchronise commands with other data on the ALDL bus"));
    auto* grid = new QGridLayout(tab);
    grid->addWidget(new QLabel(QStringLiteral("Chatter:"), tab), 0, 0, Qt::AlignRight);
    grid->addWidget(cbChatter, 0, 1);
    struct Frame {
        const char* label;
        const char* field;
        const char* hint;
        const char* buttonHint;
        QLineEdit** edit;
        QPushButton** button;
        QCheckBox** reply;
        const char* replyField;
    };
    const Frame frames[] = {
        {"Heartbeat:", "HeartBeat", "Heartbeat frame", "Heartbeat frame editor", &edHeartBeat,
         &btnHeartBeat, nullptr, nullptr},
        {"Suspend:", "Suspend", "Suspend command", "Suspend command editor", &edSuspend,
         &btnSuspend, &cbSuspendReply, "SuspendReply"},
        {"Resume:", "Resume", "Resume command", "Resume command editor", &edResume, &btnResume,
         &cbResumeReply, "ResumeReply"},
    };
    int r = 1;
    for (const Frame& fr : frames) {
        auto* label = new QLabel(QString::fromLatin1(fr.label), tab);
        auto* edit = lineEdit(tab, fr.hint);
        auto* button = new QPushButton(QStringLiteral("..."), tab);
        button->setToolTip(QString::fromLatin1(fr.buttonHint));
        button->setFixedWidth(button->fontMetrics().horizontalAdvance("....") + 16);
        *fr.edit = edit;
        *fr.button = button;
        label->setBuddy(edit);
        grid->addWidget(label, r, 0, Qt::AlignRight);
        grid->addWidget(edit, r, 1);
        grid->addWidget(button, r, 2);
        chatterControls_ << label << edit << button;
        binder_.Bind(edit, v, fr.field);
        std::string field = fr.field;
        connect(button, &QPushButton::clicked, this, [this, field] { EditFrame(field); });
        if (fr.reply) {
            auto* reply = new QCheckBox(QStringLiteral("Reply:"), tab);
            reply->setLayoutDirection(Qt::RightToLeft);
            *fr.reply = reply;
            grid->addWidget(reply, r, 3);
            binder_.Bind(reply, v, fr.replyField);
        }
        ++r;
    }
    mmChatterNote = new QPlainTextEdit(tab);
    mmChatterNote->setReadOnly(true);
    mmChatterNote->setPlainText(QStringLiteral(
        "If your ECM requires a delay between receiving a\nhertbeat frame and sending a command "
        "frame,\nuse \"T4\" on the Timing tabpage."));
    mmChatterNote->setFrameShape(QFrame::NoFrame);
    mmChatterNote->setFocusPolicy(Qt::NoFocus);
    mmChatterNote->setMaximumHeight(mmChatterNote->fontMetrics().lineSpacing() * 4);
    mmChatterNote->viewport()->setAutoFillBackground(false);
    chatterControls_ << mmChatterNote;
    grid->addWidget(mmChatterNote, r, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(r + 1, 1);
    binder_.Bind(cbChatter, v, "Chatter");
    return tab;
}

QWidget* TframeEdV::timingTab() {
    TTable& v = Vehicle.Vehicles;
    timingStack = new QStackedWidget;
    auto* page = new QWidget(timingStack);
    auto* grid = new QGridLayout(page);
    const char* hints[6] = {"Interval timeout",       "Total timeout multiplier",
                            "Total timeout constant", "Request delay",
                            "Write/Read delay",       "Find silence delay"};
    for (int i = 0; i < 6; ++i) {
        std::string name = "T" + std::to_string(i + 1);
        auto* label = new QLabel(qs(name + ":"), page);
        edT[i] = lineEdit(page, hints[i]);
        edT[i]->setFixedWidth(edT[i]->fontMetrics().horizontalAdvance("0000000") + 12);
        edT[i]->setAlignment(Qt::AlignRight);
        label->setBuddy(edT[i]);
        btnInfo[i] = new QPushButton(QStringLiteral("more info..."), page);
        btnInfo[i]->setToolTip(qs("More information about " + name));
        btnInfo[i]->setAutoDefault(false);
        auto* scope = new QLabel(i < 3 ? QStringLiteral("for all baud rates")
                                       : QStringLiteral("for 8192 baud rate only"),
                                 page);
        grid->addWidget(label, i, 0, Qt::AlignRight);
        grid->addWidget(edT[i], i, 1);
        grid->addWidget(new QLabel(QStringLiteral("ms"), page), i, 2);
        grid->addWidget(btnInfo[i], i, 3);
        grid->addWidget(scope, i, 4);
        binder_.Bind(edT[i], v, name);
        connect(btnInfo[i], &QPushButton::clicked, this, [this, i] { ShowHelp(i + 1); });
    }
    auto* check = new QPushButton(QStringLiteral("Check high frequency timer"), page);
    check->setToolTip(QStringLiteral("Does your PC have a high frequency timer?"));
    check->setAutoDefault(false);
    connect(check, &QPushButton::clicked, this, [this] {
        TRtime timer;
        QMessageBox::information(this, QStringLiteral("Quorvin"),
                                 timer.Frequency != 0
                                     ? QStringLiteral("High frequency timer found OK")
                                     : QStringLiteral("High frequency timer NOT found"));
    });
    grid->addWidget(check, 6, 1, 1, 4, Qt::AlignLeft);
    grid->setColumnStretch(5, 1);
    grid->setRowStretch(7, 1);
    auto* help = new QWidget(timingStack);
    auto* helpBox = new QVBoxLayout(help);
    mmHelp = new QPlainTextEdit(help);
    mmHelp->setReadOnly(true);
    btnBack = new QPushButton(QStringLiteral("Back"), help);
    btnBack->setAutoDefault(false);
    connect(btnBack, &QPushButton::clicked, this, [this] { HideHelp(); });
    helpBox->addWidget(mmHelp, 1);
    helpBox->addWidget(btnBack, 0, Qt::AlignRight);
    timingStack->addWidget(page);
    timingStack->addWidget(help);
    return timingStack;
}

QWidget* TframeEdV::macrosTab() {
    auto* tab = new QWidget;
    TTable& macros = Vehicle.Macros;
    TTable& items = Vehicle.Items;
    macroSplit = new QSplitter(Qt::Horizontal, tab);
    macroSplit->setObjectName(QStringLiteral("macroSplit"));
    macroSplit->setChildrenCollapsible(false);

    auto* left = new QWidget(macroSplit);
    auto* leftBox = new QVBoxLayout(left);
    leftBox->setContentsMargins(0, 0, 0, 0);
    dbgMacros = new TDBIniGrid(left);
    dbgMacros->setObjectName(QStringLiteral("dbgMacros"));
    dbgMacros->SetTable(macros, {{"MacCode", "Code"}});
    dbgMacros->horizontalHeader()->setStretchLastSection(true);
    dbgMacros->setEditTriggers(QAbstractItemView::NoEditTriggers);
    navMacros = new TDBNavigator(left, {nbInsert, nbDelete, nbPost, nbCancel},
                                 {"Insert Macro", "Delete Macro", "Post edit", "Cancel edit"});
    navMacros->SetTable(macros, dbgMacros);
    leftBox->addWidget(dbgMacros, 1);
    leftBox->addWidget(navMacros);

    auto* right = new QWidget(macroSplit);
    edMacCode = lineEdit(right, "Short description of macro");
    auto* edMacDesc = lineEdit(right, "Long description of macro");
    auto* cbRestart = new QCheckBox(right);
    cbRestart->setToolTip(QStringLiteral("Re-start macro when finished"));
    auto* mmMacComments = memo(right, "Comments about macro");
    mmMacComments->setMaximumHeight(mmMacComments->fontMetrics().lineSpacing() * 4);
    auto* f = form();
    f->addRow(QStringLiteral("Macro:"), edMacCode);
    f->addRow(QStringLiteral("Description:"), edMacDesc);
    f->addRow(QStringLiteral("Repeat:"), cbRestart);
    f->addRow(QStringLiteral("Comments:"), mmMacComments);
    macroBinder_.Bind(edMacCode, macros, "MacCode");
    macroBinder_.Bind(edMacDesc, macros, "MacDesc");
    macroBinder_.Bind(cbRestart, macros, "Restart");
    macroBinder_.Bind(mmMacComments, macros, "Comments");

    dbgItems = new TDBIniGrid(right);
    dbgItems->setObjectName(QStringLiteral("dbgItems"));
    TGridColumn module{"MCode", "Module", false,
                       {},      0,        "Module to which this macro item will be sent"};
    module.PickSource = [this] { return ModuleCodes(); };
    TGridColumn request{"RCode", "Request", false,
                        {},      0,         "Requests that will be sent to the module"};
    request.PickSource = [this] { return RequestCodes(); };
    dbgItems->SetTable(
        items, {{"Seq", "Order", false, {}, 50, "Execution sequence number of macro item"},
                module,
                request,
                {"Iters", "Iterations", false, {}, 70, "Number of times to send the request"}});
    dbgItems->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    dbgItems->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    dbgItems->setToolTip(QStringLiteral("Macro items: order, module, request and iterations"));
    int rowHeight = dbgItems->verticalHeader()->defaultSectionSize();
    dbgItems->setMinimumHeight(rowHeight * 6 + dbgItems->horizontalHeader()->sizeHint().height() +
                               4);
    navItems =
        new TDBNavigator(right, {nbInsert, nbDelete, nbPost, nbCancel},
                         {"Insert Macro Item", "Delete Macro Item", "Post edit", "Cancel edit"});
    navItems->SetTable(items, dbgItems);
    auto* rightBox = new QVBoxLayout(right);
    rightBox->setContentsMargins(4, 0, 0, 0);
    rightBox->addLayout(f);
    rightBox->addWidget(dbgItems, 1);
    rightBox->addWidget(navItems);
    macroSplit->addWidget(left);
    macroSplit->addWidget(right);
    macroSplit->setStretchFactor(1, 1);
    // A hidden splitter rescales its sizes when first laid out: keep the width apart.
    connect(macroSplit, &QSplitter::splitterMoved, this,
            [this] { macroWidth_ = macroSplit->sizes().value(0, macroWidth_); });

    // The macro list itself is not rebuilt on its own row change: that would drop its cursor.
    dbgMacros->OnRowChanged = [this] {
        macroBinder_.Refresh();
        dbgItems->Refresh();
    };
    navMacros->OnClick = [this](TNavButton) {
        refreshMacro();
        edMacCode->setFocus();
    };
    navItems->OnClick = [this](TNavButton) {
        dbgItems->setFocus();
        QModelIndex row = dbgItems->currentIndex();
        dbgItems->setCurrentIndex(dbgItems->model()->index(std::max(0, row.row()), 0));
    };
    macroBinder_.OnUserChange = [this](QWidget*, const std::string&) {
        dbgMacros->viewport()->update();
    };
    auto* box = new QVBoxLayout(tab);
    box->addWidget(macroSplit);
    return tab;
}

QWidget* TframeEdV::authorTab() {
    auto* tab = new QWidget;
    TTable& v = Vehicle.Vehicles;
    auto* edAuthor = lineEdit(tab, "Datastream definition author");
    auto* edCompany = lineEdit(tab, "Company that developed the datastream definition");
    dtDate = new QDateEdit(tab);
    dtDate->setCalendarPopup(true);
    dtDate->setDisplayFormat(QLocale().dateFormat(QLocale::LongFormat));
    dtDate->setToolTip(QStringLiteral("Date datastream was created"));
    dtDate->setMaximumWidth(
        dtDate->fontMetrics().horizontalAdvance("Wednesday, 30 September 2000") + 48);
    edDate = new QLineEdit(tab);
    edDate->hide();
    auto* edEmail = lineEdit(tab, "Email address where author can be contacted");
    auto* edURL = lineEdit(tab, "Web address of company");
    auto* mmComments = memo(tab, "Comments about the datastream definition");
    auto* f = form();
    f->addRow(QStringLiteral("Author:"), edAuthor);
    f->addRow(QStringLiteral("Company:"), edCompany);
    f->addRow(QStringLiteral("Date:"), dtDate);
    f->addRow(QStringLiteral("Email:"), edEmail);
    f->addRow(QStringLiteral("URL:"), edURL);
    f->addRow(QStringLiteral("Comments:"), mmComments);
    tab->setLayout(f);
    binder_.Bind(edAuthor, v, "Author");
    binder_.Bind(edCompany, v, "Company");
    binder_.Bind(edDate, v, "Date");
    binder_.Bind(edEmail, v, "Email");
    binder_.Bind(edURL, v, "URL");
    binder_.Bind(mmComments, v, "Comments");
    connect(dtDate, &QDateEdit::dateChanged, this, [this](QDate date) {
        if (settingDate_ || !Vehicle.Vehicles->CurrentRecord())
            return;
        // Stored as yyyy-mm-dd, which the date field reads in every locale.
        edDate->setText(date.toString(Qt::ISODate));
        emit edDate->textEdited(edDate->text());
    });
    return tab;
}

void TframeEdV::Refresh() {
    binder_.Refresh();
    refreshMacro();
    refreshDate();
    RefreshPicture();
    RefreshBaud();
    RefreshChatter();
    HideHelp();
}

void TframeEdV::refreshMacro() {
    macroBinder_.Refresh();
    dbgMacros->Refresh();
    dbgItems->Refresh();
}

void TframeEdV::refreshDate() {
    settingDate_ = true;
    QDate date = QDate::fromString(edDate->text(), Qt::ISODate);
    dtDate->setDate(date.isValid() ? date : QDate::currentDate());
    settingDate_ = false;
}

bool TframeEdV::CommitEdits() {
    return dbgItems->Commit() && dbgMacros->Commit() && macroBinder_.Commit() && binder_.Commit();
}

void TframeEdV::FocusCode() {
    pcVehicle->setCurrentIndex(0);
    edVCode->setFocus();
    edVCode->selectAll();
}

void TframeEdV::LoadSettings(const TIniFile& ini, const std::string& section) {
    macroWidth_ = std::max(30, ini.ReadInteger(section, "macroSplit", 100));
    macroSplit->setSizes({macroWidth_, 400});
}

void TframeEdV::SaveSettings(TIniFile& ini, const std::string& section) {
    ini.WriteInteger(section, "macroSplit", macroWidth_);
}

void TframeEdV::RefreshBaud() {
    pcVehicle->setTabVisible(pcVehicle->indexOf(chatterTab_), cbALDL->currentText() == "8192");
}

void TframeEdV::RefreshChatter() {
    bool on = cbChatter->isChecked();
    for (QWidget* w : chatterControls_)
        w->setEnabled(on && Vehicle.Vehicles->CurrentRecord());
}

void TframeEdV::RefreshPicture() {
    std::string path = VehicleDir() + "/" + edVCode->text().toStdString();
    QPixmap picture(qs(path + ".bmp"));
    if (picture.isNull()) {
        imgVehicle->setPixmap(QPixmap());
        imgVehicle->setText(qs(Format("(%s.bmp not available)", path.c_str())));
        return;
    }
    QSize room = imgVehicle->size() - QSize(4, 4);
    if (picture.width() > room.width() || picture.height() > room.height()) {
        picture = picture.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    imgVehicle->setText(QString());
    imgVehicle->setPixmap(picture);
}

void TframeEdV::EditFrame(const std::string& field) {
    TTable& v = Vehicle.Vehicles;
    if (!v.CurrentRecord())
        return;
    std::string text = v.AsString(field);
    TfEditFrame editor(this);
    editor.SetFrame(text.empty() ? DefaultFrame(field) : text);
    if (!RunFrameEditor(editor))
        return;
    try {
        v.Edit();
        v.SetAsString(field, editor.Result());
    } catch (const EQuorvinError& e) {
        ShowEditError(this, e.what());
    }
    binder_.Refresh();
    RefreshChatter();
}

void TframeEdV::ShowHelp(int t) {
    mmHelp->setPlainText(qs(HelpText(t)).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    timingStack->setCurrentIndex(1);
}

void TframeEdV::HideHelp() {
    timingStack->setCurrentIndex(0);
}

std::vector<std::string> TframeEdV::ModuleCodes() const {
    std::vector<std::string> codes;
    TTable& modules = Vehicle.Modules;
    int field = modules.FieldIndex("MCode");
    for (int i = 0; i < modules.RecordCount(); ++i) {
        codes.push_back(
            TTable::ValueText(modules.RecordAt(i)->Values[field], TFieldType::ftString));
    }
    return codes;
}

std::vector<std::string> TframeEdV::RequestCodes() {
    std::vector<std::string> codes;
    std::string mcode = Vehicle.Items->AsString("MCode");
    TTable& modules = Vehicle.Modules;
    // Moves the current module, as the request list is that module's.
    if (mcode.empty() || !modules.Locate("MCode", TValue(mcode)))
        return codes;
    TTable& requests = Vehicle.Requests;
    int field = requests.FieldIndex("RCode");
    for (int i = 0; i < requests.RecordCount(); ++i) {
        codes.push_back(
            TTable::ValueText(requests.RecordAt(i)->Values[field], TFieldType::ftString));
    }
    return codes;
}
