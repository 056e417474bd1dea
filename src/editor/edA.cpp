#include "editor/edA.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/Format.h"
#include "common/IniFile.h"
#include "definitions/TableText.h"
#include "definitions/XMLData.h"
#include "editor/BitEdit.h"
#include "editor/DBIniGrid.h"
#include "editor/EditByteBit.h"
#include "editor/EditScale.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cerrno>
#include <fstream>
#include <sstream>

namespace {

const char* const typeNames[] = {"Scaled", "Lookup table", "Raw",
                                 "DTC",    "Status flag",  "Enumerated"};

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

QPushButton* button(QWidget* parent, const char* text, const char* hint) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setToolTip(QString::fromUtf8(hint));
    b->setAutoDefault(false);
    return b;
}

QPushButton* narrow(QPushButton* b) {
    b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 22);
    return b;
}

QPlainTextEdit* memo(QWidget* parent, const char* name, const char* hint) {
    auto* m = new QPlainTextEdit(parent);
    m->setObjectName(QString::fromLatin1(name));
    m->setToolTip(QString::fromUtf8(hint));
    m->setTabChangesFocus(true);
    return m;
}

QLabel* label(QWidget* parent, const char* text, QWidget* buddy) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setBuddy(buddy);
    return l;
}

// Typing into a scale field of an attribute without a Scale record starts one.
void ensureRecord(TTable& table) {
    if (!table.Editing() && table.IsEmpty()) {
        table.Insert();
        SetNewScaleDefaults(table); // a scale starts as factor 1, offset 0
    }
}
void ensureRecordOnEdit(QLineEdit* e, TTable& table) {
    QObject::connect(e, &QLineEdit::textEdited, e, [&table] { ensureRecord(table); });
}
void ensureRecordOnClick(QCheckBox* c, TTable& table) {
    QObject::connect(c, &QCheckBox::clicked, c, [&table] { ensureRecord(table); });
}

TFieldBinder::TChoices numberChoices(int count) {
    TFieldBinder::TChoices c{{"", "0"}};
    for (int i = 1; i <= count; ++i) {
        c.emplace_back(std::to_string(i), std::to_string(i));
    }
    return c;
}

QString qtFilter(const std::string& filter) {
    // "Text (*.txt)|*.txt|..." pairs of caption and pattern.
    std::vector<std::string> parts = Split(filter, "|");
    QStringList out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string caption = parts[i];
        out << QString::fromStdString(
            caption.find('(') == std::string::npos ? caption + " (" + parts[i + 1] + ")" : caption);
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace

TframeEdA::TframeEdA(TVehicle& vehicle, QWidget* parent)
    : TEditorPage(vehicle, parent),
      header_(this), values_{TFieldBinder(this), TFieldBinder(this), TFieldBinder(this)},
      dtcComments_(this), flagComments_(this), enumComments_(this) {
    pcTypes = new QTabWidget(this);
    pcTypes->setObjectName(QStringLiteral("pcTypes"));
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(6, 6, 6, 6);
    box->addWidget(buildHeader());
    pcTypes->addTab(buildValueTab(0), QStringLiteral("&Scaled value"));
    pcTypes->addTab(buildLookupTab(), QStringLiteral("&Lookup table"));
    pcTypes->addTab(buildValueTab(2), QStringLiteral("&Raw"));
    pcTypes->addTab(buildListTab(atDTC), QStringLiteral("&DTC"));
    pcTypes->addTab(buildListTab(atFlags), QStringLiteral("&Bit flag"));
    pcTypes->addTab(buildListTab(atEnum), QStringLiteral("&Enumeration"));
    box->addWidget(pcTypes, 1);
    connect(pcTypes, &QTabWidget::currentChanged, this, &TframeEdA::tabChosen);
    for (int i = 0; i < 3; ++i) {
        watchPanel(i);
    }

    Ask = [this](const std::string& q) {
        return QMessageBox::warning(this, QStringLiteral("Confirm"), QString::fromStdString(q),
                                    QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    Warn = [this](const std::string& m) { ShowEditError(this, m); };
    Error = [this](const std::string& m) { ShowErrorBox(this, m); };
    OpenFileName = [this](const std::string& title, const std::string& filter) {
        return QFileDialog::getOpenFileName(this, QString::fromStdString(title), QString(),
                                            qtFilter(filter))
            .toStdString();
    };
    SaveFileName = [this](const std::string& title, const std::string& filter) {
        return QFileDialog::getSaveFileName(this, QString::fromStdString(title), QString(),
                                            qtFilter(filter))
            .toStdString();
    };
    PickScale = [this] {
        TfEditScale picker(Vehicle, this);
        return picker.exec() == QDialog::Accepted;
    };
    PickBits = [](TfEditByteBit& dialog) { return dialog.exec() == QDialog::Accepted; };
}

TframeEdA::~TframeEdA() = default;

QWidget* TframeEdA::buildHeader() {
    TTable& attrs = Vehicle.Attrs;
    auto* panel = new QWidget(this);
    auto* outer = new QVBoxLayout(panel);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(
        EditorPageHeader(panel, EditorNodeIcon(3), QStringLiteral("Stream attribute"), &lbHeader));
    imHeader = panel->findChild<QLabel*>(QStringLiteral("headerIcon"));
    // Room for the longest type name, so a change of type never clips the caption.
    lbHeader->setMinimumWidth(
        lbHeader->fontMetrics().horizontalAdvance(QStringLiteral("Lookup table stream attribute")) +
        8);

    edACode = edit(panel, "edACode", "Short description or acronym (eg RPM)");
    edADesc = edit(panel, "edADesc", "Long description of attribute");
    edStart = edit(panel, "edStart", "Byte.Bit position in data stream");
    edBits = edit(panel, "edBits", "Number of bits (usually 8 or 16)");
    for (QLineEdit* e : {edStart, edBits}) {
        e->setMaximumWidth(70);
    }
    btnBits = narrow(button(panel, "...", "Visually select the \"Start\" and \"Bits\" values"));
    btnBits->setObjectName(QStringLiteral("btnBits"));
    edAType = edit(panel, "edAType", "");
    edAType->setVisible(false);
    cbVisible = check(panel, "cbVisible", "");
    cbChart = new QComboBox(panel);
    cbChart->setObjectName(QStringLiteral("cbChart"));
    cbSeries = new QComboBox(panel);
    cbSeries->setObjectName(QStringLiteral("cbSeries"));
    cbDash = new QComboBox(panel);
    cbDash->setObjectName(QStringLiteral("cbDash"));
    cbDashFmt = new QComboBox(panel);
    cbDashFmt->setObjectName(QStringLiteral("cbDashFmt"));
    cbDashFmt->setEditable(true); // a stored format outside the list (a new attribute's "0") shows
    cbDashFmt->addItems({QStringLiteral("Floating"), QStringLiteral("9"), QStringLiteral("9.9"),
                         QStringLiteral("9.99"), QStringLiteral("9.999")});

    auto* grid = new QGridLayout;
    grid->addWidget(label(panel, "Code:", edACode), 0, 0);
    grid->addWidget(edACode, 0, 1, 1, 3);
    grid->addWidget(label(panel, "Description:", edADesc), 1, 0);
    grid->addWidget(edADesc, 1, 1, 1, 3);
    auto* pos = new QHBoxLayout;
    pos->addWidget(edStart);
    pos->addSpacing(8);
    pos->addWidget(label(panel, "Bits:", edBits));
    pos->addWidget(edBits);
    pos->addWidget(btnBits);
    pos->addSpacing(16);
    pos->addWidget(label(panel, "Visible:", cbVisible));
    pos->addWidget(cbVisible);
    pos->addStretch();
    grid->addWidget(label(panel, "Start:", edStart), 2, 0);
    grid->addLayout(pos, 2, 1, 1, 3);
    auto* show = new QHBoxLayout;
    show->addWidget(cbChart);
    for (auto [text, w] : {std::pair{"Series:", cbSeries}, std::pair{"Dashboard:", cbDash},
                           std::pair{"Format:", cbDashFmt}}) {
        show->addSpacing(8);
        show->addWidget(label(panel, text, w));
        show->addWidget(w);
    }
    show->addStretch();
    grid->addWidget(label(panel, "Chart:", cbChart), 3, 0);
    grid->addLayout(show, 3, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    outer->addLayout(grid);

    header_.Bind(edACode, attrs, "ACode");
    header_.Bind(edADesc, attrs, "ADesc");
    header_.Bind(edStart, attrs, "Start");
    header_.Bind(edBits, attrs, "Bits");
    header_.Bind(edAType, attrs, "AType");
    header_.Bind(cbVisible, attrs, "Visible");
    header_.Bind(cbChart, attrs, "Chart", numberChoices(4));
    header_.Bind(cbSeries, attrs, "Series", numberChoices(4));
    header_.Bind(cbDash, attrs, "Dash", numberChoices(25));
    header_.Bind(cbDashFmt, attrs, "DashFmt");
    header_.OnUserChange = [this](QWidget* control, const std::string&) {
        if (control == edACode || control == edADesc || control == edStart || control == edBits) {
            NodeTextChanged();
        }
    };
    connect(btnBits, &QPushButton::clicked, this, &TframeEdA::SelectBits);
    return panel;
}

QWidget* TframeEdA::buildValueTab(int tab) {
    static const char* const unitHints[] = {"Units of measure of scaled value",
                                            "Units of measure of table value",
                                            "Units of measure of raw value"};
    static const char* const commentHints[] = {"Comments about the scaled value",
                                               "Comments about the lookup table",
                                               "Comments about the raw value"};
    TTable& scale = Vehicle.AScale;
    TValueTab& t = Tabs[tab];
    auto* page = new QWidget(pcTypes);
    const std::string n = std::to_string(tab);
    auto name = [&](const char* base) { return base + n; };
    t.Units = edit(page, name("edUnits").c_str(), unitHints[tab]);
    t.AlarmMin = edit(page, name("edAlarmMin").c_str(), "Minimum acceptable value");
    t.AlarmMax = edit(page, name("edAlarmMax").c_str(), "Maximum acceptable value");
    t.AlarmCalc = button(page, "<-", "Calculate max and min alarm values");
    t.DisplayMin = edit(page, name("edDisplayMin").c_str(), "Minimum chart display value");
    t.DisplayMax = edit(page, name("edDisplayMax").c_str(), "Maximum chart display value");
    t.DisplayCalc = button(page, "<-", "Calculate max and min display values");
    t.DescMin = edit(page, name("edDescMin").c_str(), "Dash-light display value < alarm minimum");
    t.DescOk = edit(page, name("edDescOk").c_str(), "Dash-light display value");
    t.DescMax = edit(page, name("edDescMax").c_str(), "Dash-light display value > alarm maximum");
    t.Comments = memo(page, name("mmComments").c_str(), commentHints[tab]);
    for (QPushButton* b : {t.AlarmCalc, t.DisplayCalc}) {
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("<-")) + 22);
    }

    auto* g = new QGridLayout(page);
    int row = 0;
    auto wide = [&](const char* text, QWidget* w, QWidget* extra = nullptr) {
        g->addWidget(label(page, text, w), row, 0);
        g->addWidget(w, row, 1, 1, 3);
        if (extra) {
            g->addWidget(extra, row, 4);
        }
        ++row;
    };
    wide("Units:", t.Units);
    if (tab == 0) {
        edFactor = edit(page, "edFactor", "Scaling factor");
        edOffset = edit(page, "edOffset", "Scaling offset");
        btnScale = narrow(button(page, "...", "Select predefined scales"));
        btnScale->setObjectName(QStringLiteral("btnScale"));
        wide("Factor:", edFactor, btnScale);
        wide("Offset:", edOffset);
    }
    auto range = [&](const char* text, QLineEdit* lo, QLineEdit* hi, QPushButton* calc) {
        g->addWidget(label(page, text, lo), row, 0);
        g->addWidget(lo, row, 1);
        g->addWidget(new QLabel(QStringLiteral("to:"), page), row, 2);
        g->addWidget(hi, row, 3);
        g->addWidget(calc, row++, 4);
    };
    range("Alarm:", t.AlarmMin, t.AlarmMax, t.AlarmCalc);
    range("Display:", t.DisplayMin, t.DisplayMax, t.DisplayCalc);
    if (tab == 0) {
        cbReverse = check(page, "cbReverse", "Reverse scaled values");
        cbInvert = check(page, "cbInvert", "Invert raw byte before scaling");
        cbSigned = check(page, "cbSigned", "Display as a signed value (i.e. -128..127)");
        cbHex = check(page, "cbHex", "Display as hexadecimal");
        auto* boxes = new QHBoxLayout;
        boxes->setContentsMargins(0, 0, 0, 0);
        bool first = true;
        for (auto [text, c] : {std::pair{"Reverse:", cbReverse}, std::pair{"Invert:", cbInvert},
                               std::pair{"Signed:", cbSigned}, std::pair{"Hex:", cbHex}}) {
            if (!first) {
                boxes->addWidget(label(page, text, c));
            }
            boxes->addWidget(c);
            boxes->addSpacing(12);
            if (first) {
                g->addWidget(label(page, text, c), row, 0);
                first = false;
            }
        }
        boxes->addStretch();
        g->addLayout(boxes, row++, 1, 1, 4);
    }
    auto* texts = new QHBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    for (QLineEdit* e : {t.DescMin, t.DescOk, t.DescMax}) {
        texts->addWidget(e);
    }
    g->addWidget(label(page, "Text:", t.DescMin), row, 0);
    g->addLayout(texts, row++, 1, 1, 3);
    g->addWidget(label(page, "Comments:", t.Comments), row, 0, Qt::AlignTop);
    g->addWidget(t.Comments, row, 1, 1, 4);
    g->setRowStretch(row, 1);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);

    TFieldBinder& b = values_[tab];
    std::vector<std::pair<QLineEdit*, const char*>> fields = {
        {t.Units, "Units"},           {t.AlarmMin, "AlarmMin"},     {t.AlarmMax, "AlarmMax"},
        {t.DisplayMin, "DisplayMin"}, {t.DisplayMax, "DisplayMax"}, {t.DescMin, "DescMin"},
        {t.DescOk, "DescOk"},         {t.DescMax, "DescMax"}};
    if (tab == 0) {
        fields.insert(fields.begin() + 1, {{edFactor, "Factor"}, {edOffset, "Offset"}});
    }
    for (auto [e, f] : fields) {
        ensureRecordOnEdit(e, scale);
        b.Bind(e, scale, f);
    }
    if (tab == 0) {
        for (auto [c, f] : {std::pair{cbReverse, "Reverse"}, std::pair{cbInvert, "Invert"},
                            std::pair{cbSigned, "Signed"}, std::pair{cbHex, "Hex"}}) {
            ensureRecordOnClick(c, scale);
            b.Bind(c, scale, f);
        }
        connect(btnScale, &QPushButton::clicked, this, &TframeEdA::SelectScale);
    }
    b.Bind(t.Comments, Vehicle.Attrs, "Comments");
    // Tab order top to bottom, left to right, as the fields are laid out.
    std::vector<QWidget*> order = {t.Units};
    if (tab == 0) {
        order.insert(order.end(), {edFactor, btnScale, edOffset});
    }
    order.insert(order.end(),
                 {t.AlarmMin, t.AlarmMax, t.AlarmCalc, t.DisplayMin, t.DisplayMax, t.DisplayCalc});
    if (tab == 0) {
        order.insert(order.end(), {cbReverse, cbInvert, cbSigned, cbHex});
    }
    order.insert(order.end(), {t.DescMin, t.DescOk, t.DescMax, t.Comments});
    for (size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
    connect(t.AlarmCalc, &QPushButton::clicked, this,
            [this, tab] { CalculateRange(tab, "Alarm"); });
    connect(t.DisplayCalc, &QPushButton::clicked, this,
            [this, tab] { CalculateRange(tab, "Display"); });
    return page;
}

QWidget* TframeEdA::buildLookupTab() {
    QWidget* left = buildValueTab(1);
    auto* page = new QWidget(pcTypes);
    dbgTable = new TDBIniGrid(page);
    dbgTable->setObjectName(QStringLiteral("dbgTable"));
    dbgTable->setToolTip(QStringLiteral("Lookup table values (Use ctrl-D to delete)"));
    dbgTable->SetTable(Vehicle.Table, {TGridColumn("RawByte", "Byte", false, {}, 50),
                                       TGridColumn("Value", "Value", false, {}, 80)});
    dbgTable->horizontalHeader()->setStretchLastSection(true);
    dbgTable->CommandKeys = {Qt::ControlModifier | Qt::Key_D, Qt::ControlModifier | Qt::Key_Delete};
    dbgTable->OnCommandKey = [this](QKeyCombination key) { gridCommand(dbgTable, key); };
    btnImport = button(page, "&Import", "Import lookup table values");
    btnExport = button(page, "&Export", "Export lookup table values");
    btnClear = button(page, "&Clear", "Delete all values in lookup table");
    connect(btnImport, &QPushButton::clicked, this, &TframeEdA::ImportTable);
    connect(btnExport, &QPushButton::clicked, this, &TframeEdA::ExportTable);
    connect(btnClear, &QPushButton::clicked, this, &TframeEdA::ClearTable);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnImport);
    buttons->addWidget(btnExport);
    buttons->addWidget(btnClear);
    auto* right = new QVBoxLayout;
    right->addLayout(buttons);
    right->addWidget(dbgTable, 1);
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(0, 0, 0, 0);
    left->setParent(page);
    row->addWidget(left, 3);
    row->addLayout(right, 2);
    return page;
}

QWidget* TframeEdA::buildListTab(int atype) {
    auto* page = new QWidget(pcTypes);
    auto* split = new QSplitter(Qt::Vertical, page);
    auto* grid = new TDBIniGrid(split);
    auto* bottom = new QWidget(split);
    QPlainTextEdit* comments = nullptr;
    TDBNavigator* nav = nullptr;
    TFieldBinder* binder = nullptr;
    TTable* table = nullptr;
    const std::vector<TNavButton> all = {nbFirst,  nbPrior, nbNext, nbLast,   nbInsert,
                                         nbDelete, nbEdit,  nbPost, nbCancel, nbRefresh};
    auto hints = [](const char* what) {
        const std::string w = what;
        return std::vector<std::string>{"First " + w,  "Prior " + w,  "Next " + w, "Last " + w,
                                        "Insert " + w, "Delete " + w, "Edit " + w, "Post edit",
                                        "Cancel edit", "Refresh data"};
    };
    if (atype == atDTC) {
        table = &Vehicle.DTCs.Table();
        grid->setObjectName(QStringLiteral("dbgDTCs"));
        grid->setToolTip(QStringLiteral("Diagnostic trouble codes"));
        grid->SetTable(*table, {TGridColumn("Bit", "Bit", true, {}, 30),
                                TGridColumn("Dash", "Dash", false, {}, 40),
                                TGridColumn("Desc", "Description", false, {}, 250),
                                TGridColumn("CEL", "CEL", false, {"True", "False"}, 45),
                                TGridColumn("DTC", "DTC", false, {}, 45),
                                TGridColumn("Note", "Note", false, {}, 40),
                                TGridColumn("NoteName", "NoteName", false, {}, 80),
                                TGridColumn("Reference", "Reference", false, {}, 90)});
        comments = memo(bottom, "mmDTCComments", "Comments about each maflunction flag");
        nav = new TDBNavigator(bottom, all, hints("DTC"));
        binder = &dtcComments_;
        dbgDTCs = grid;
        navDTCs = nav;
        mmDTCComments = comments;
        splDTCs = split;
    } else if (atype == atFlags) {
        table = &Vehicle.Flags.Table();
        grid->setObjectName(QStringLiteral("dbgFlags"));
        grid->setToolTip(QStringLiteral("Bit flags"));
        grid->SetTable(*table, {TGridColumn("Bit", "Bit", true, {}, 30),
                                TGridColumn("Dash", "Dash", false, {}, 40),
                                TGridColumn("Desc", "Description", false, {}, 150),
                                TGridColumn("B0", "B0", false, {}, 95),
                                TGridColumn("B1", "B1", false, {}, 95),
                                TGridColumn("Note0", "Note0", false, {}, 45),
                                TGridColumn("NoteName0", "NoteName0", false, {}, 75),
                                TGridColumn("Note1", "Note1", false, {}, 45),
                                TGridColumn("NoteName1", "NoteName1", false, {}, 75)});
        comments = memo(bottom, "mmFlagComments", "Comments about each  bit flag");
        nav = new TDBNavigator(bottom, all, hints("Bit Flag"));
        binder = &flagComments_;
        dbgFlags = grid;
        navFlags = nav;
        mmFlagComments = comments;
        splFlags = split;
    } else {
        table = &Vehicle.Enums.Table();
        grid->setObjectName(QStringLiteral("dbgEnums"));
        grid->setToolTip(QStringLiteral("Enumerations (Use right-click then ctrl-Del to delete)"));
        grid->SetTable(*table, {TGridColumn("Value", "Value", true, {}, 45),
                                TGridColumn("Desc", "Description", false, {}, 220),
                                TGridColumn("Note", "Note", false, {}, 45),
                                TGridColumn("NoteName", "NoteName", false, {}, 90)});
        comments = memo(bottom, "mmEnumComments", "Comments about each enumeration");
        nav = new TDBNavigator(bottom, all, hints("Enumeration"));
        binder = &enumComments_;
        dbgEnums = grid;
        navEnums = nav;
        mmEnumComments = comments;
        splEnums = split;
    }
    grid->CommandKeys = {Qt::ControlModifier | Qt::Key_A, Qt::ControlModifier | Qt::Key_B,
                         Qt::ControlModifier | Qt::Key_Delete};
    grid->OnCommandKey = [this, grid](QKeyCombination key) { gridCommand(grid, key); };
    nav->SetTable(*table, grid);
    binder->Bind(comments, *table, "Comments");
    grid->OnRowChanged = [binder] { binder->Refresh(); };
    nav->OnClick = [binder](TNavButton) { binder->Refresh(); };

    auto* b = new QGridLayout(bottom);
    b->setContentsMargins(0, 4, 0, 0);
    b->addWidget(label(bottom, "Comments:", comments), 0, 0, Qt::AlignTop);
    b->addWidget(comments, 0, 1);
    b->addWidget(nav, 1, 0, 1, 2);
    b->setColumnStretch(1, 1);
    split->addWidget(grid);
    split->addWidget(bottom);
    split->setStretchFactor(0, 1);
    split->setChildrenCollapsible(false);
    // The panel may be as low as its stored height says (60 by default), below what its
    // contents would ask for.
    bottom->setMinimumHeight(40);
    auto* box = new QVBoxLayout(page);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(split);
    return page;
}

namespace {
const char* const kPanelKeys[3] = {"DTCSplit", "flagSplit", "enumSplit"};
} // namespace

void TframeEdA::LoadSettings(const TIniFile& ini, const std::string& section) {
    for (int i = 0; i < 3; ++i) {
        panelHeights_[i] = std::max(40, ini.ReadInteger(section, kPanelKeys[i], 60));
        placePanel(i);
    }
}

void TframeEdA::SaveSettings(TIniFile& ini, const std::string& section) {
    // Only a drag changes a height: a panel never shown keeps the stored one.
    for (int i = 0; i < 3; ++i) {
        ini.WriteInteger(section, kPanelKeys[i], panelHeights_[i]);
    }
}

QSplitter* TframeEdA::panelSplitter(int i) const {
    QSplitter* const splitters[3] = {splDTCs, splFlags, splEnums};
    return splitters[i];
}

void TframeEdA::placePanel(int i) {
    QSplitter* split = panelSplitter(i);
    const int room = split->height() - split->handleWidth();
    split->setSizes({std::max(60, room - panelHeights_[i]), panelHeights_[i]});
}

void TframeEdA::watchPanel(int i) {
    QSplitter* split = panelSplitter(i);
    connect(split, &QSplitter::splitterMoved, this,
            [this, i, split] { panelHeights_[i] = split->sizes().value(1, panelHeights_[i]); });
    // A hidden splitter shares its room out anew when it is first laid out: place the panel
    // whenever the splitter gets its size.
    split->installEventFilter(this);
}

bool TframeEdA::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        for (int i = 0; i < 3; ++i) {
            if (watched == panelSplitter(i)) {
                placePanel(i);
            }
        }
    }
    return TEditorPage::eventFilter(watched, event);
}

void TframeEdA::Refresh() {
    refreshing_ = true;
    header_.Refresh();
    refreshValueTabs();
    for (TDBIniGrid* g : {dbgTable, dbgDTCs, dbgFlags, dbgEnums}) {
        g->Refresh();
    }
    dtcComments_.Refresh();
    flagComments_.Refresh();
    enumComments_.Refresh();
    const bool has = Vehicle.Attrs->CurrentRecord() != nullptr;
    for (const TValueTab& t : Tabs) {
        for (QLineEdit* e : {t.Units, t.AlarmMin, t.AlarmMax, t.DisplayMin, t.DisplayMax, t.DescMin,
                             t.DescOk, t.DescMax}) {
            e->setEnabled(has);
        }
    }
    for (QWidget* w : std::initializer_list<QWidget*>{edFactor, edOffset, cbReverse, cbInvert,
                                                      cbSigned, cbHex, btnScale, btnBits}) {
        w->setEnabled(has);
    }
    pcTypes->setCurrentIndex(Clamp(Vehicle.Attrs->AsInteger("AType"), 0, 5));
    showType();
    refreshing_ = false;
}

void TframeEdA::refreshValueTabs() {
    for (TFieldBinder& b : values_) {
        if (!b.HasRefusedText()) {
            b.Refresh();
        }
    }
}

void TframeEdA::showType() {
    const int atype = Clamp(Vehicle.Attrs->AsInteger("AType"), 0, 5);
    lbHeader->setText(QString::fromUtf8(typeNames[atype]) + QStringLiteral(" stream attribute"));
    if (imHeader) {
        imHeader->setPixmap(EditorNodeIcon(3 + atype).pixmap(32, 32));
    }
}

bool TframeEdA::CommitEdits() {
    for (TDBIniGrid* g : {dbgTable, dbgDTCs, dbgFlags, dbgEnums}) {
        if (!g->Commit()) {
            return false;
        }
    }
    for (TFieldBinder* b : {&dtcComments_, &flagComments_, &enumComments_, &header_, &values_[0],
                            &values_[1], &values_[2]}) {
        if (!b->Commit()) {
            return false;
        }
    }
    return true;
}

void TframeEdA::FocusCode() {
    edACode->setFocus();
    edACode->selectAll();
}

void TframeEdA::tabChosen(int index) {
    if (refreshing_ || index < 0) {
        return;
    }
    TTable& attrs = Vehicle.Attrs;
    if (!attrs.CurrentRecord()) {
        return;
    }
    try {
        if (!attrs.Editing()) {
            attrs.Edit();
        }
        attrs.SetAsInteger("AType", index);
    } catch (const EQuorvinError& e) {
        Error(e.what());
        return;
    }
    edAType->setText(QString::number(index));
    // The tab shows the other fields of the same Scale: bring them up to date.
    refreshValueTabs();
    showType();
    NodeTextChanged();
}

void TframeEdA::SelectBits() {
    TTable& attrs = Vehicle.Attrs;
    if (!attrs.CurrentRecord()) {
        return;
    }
    int bits = 8;
    if (!TryReadInt(edBits->text().toStdString(), bits)) {
        bits = 8;
    }
    TfEditByteBit dialog(this);
    // The selector shows whole bytes of a frame; a typed width beyond them selects them all.
    dialog.SetSelection(Clamp(bits, 0, 32), ReadNumber(edStart->text().toStdString(), 1));
    if (!PickBits(dialog)) {
        return;
    }
    const std::string start = Format("%d.%d", dialog.StartByte(), dialog.StartBit());
    const std::string count = Format("%d", dialog.Count());
    try {
        if (!attrs.Editing()) {
            attrs.Edit();
        }
        attrs.SetAsString("Start", start);
        attrs.SetAsString("Bits", count);
    } catch (const EQuorvinError& e) {
        Error(e.what());
        return;
    }
    edStart->setText(QString::fromStdString(start));
    edBits->setText(QString::fromStdString(count));
    NodeTextChanged();
}

void TframeEdA::SelectScale() {
    if (!Vehicle.Attrs->CurrentRecord() || !PickScale()) {
        return;
    }
    try {
        ApplyScaleCode(Vehicle.AScale, Vehicle.ScaleCodes);
    } catch (const EQuorvinError& e) {
        Error(e.what());
    }
    for (TFieldBinder& b : values_) {
        b.Refresh();
    }
}

void TframeEdA::CalculateRange(int tab, const std::string& prefix) {
    if (!Vehicle.Attrs->CurrentRecord()) {
        return;
    }
    TValueRange r;
    const int bits = ReadBits(edBits->text().toStdString());
    try {
        if (tab == 0) {
            r = ScaledRange(bits, cbInvert->isChecked(), cbReverse->isChecked(),
                            cbSigned->isChecked(), ReadNumber(edOffset->text().toStdString(), 0),
                            ReadNumber(edFactor->text().toStdString(), 1), true);
        } else if (tab == 1) {
            if (!dbgTable->Commit()) {
                return;
            }
            r = LookupRange(Vehicle.Table);
            dbgTable->Refresh();
        } else {
            r = RawRange(bits);
        }
        WriteRange(Vehicle.AScale, prefix, r);
    } catch (const EQuorvinError& e) {
        Error(e.what());
        return;
    }
    showRanges();
}

void TframeEdA::showRanges() {
    TTable& s = Vehicle.AScale;
    auto text = [&](const char* f) { return QString::fromStdString(s.AsString(f)); };
    for (TValueTab& t : Tabs) {
        t.AlarmMin->setText(text("AlarmMin"));
        t.AlarmMax->setText(text("AlarmMax"));
        t.DisplayMin->setText(text("DisplayMin"));
        t.DisplayMax->setText(text("DisplayMax"));
    }
}

void TframeEdA::refreshList(TDBIniGrid* grid) {
    grid->Refresh();
    if (grid == dbgDTCs) {
        dtcComments_.Refresh();
    } else if (grid == dbgFlags) {
        flagComments_.Refresh();
    } else if (grid == dbgEnums) {
        enumComments_.Refresh();
    }
}

void TframeEdA::PasteIntoGrid(TDBIniGrid* grid, bool reverse) {
    if (!Vehicle.Attrs->CurrentRecord()) {
        return;
    }
    // The target field follows the grid's current column.
    // An empty grid has no current cell: its texts are what a paste there is for.
    const QModelIndex current = grid->currentIndex();
    const int column = current.isValid() ? current.column() : (grid == dbgEnums ? 1 : 2);
    // Columns in the order the grids were given them, and the fields a paste may fill.
    static const std::vector<std::string> dtcColumns = {"Bit", "Dash", "Desc",     "CEL",
                                                        "DTC", "Note", "NoteName", "Reference"};
    static const std::vector<std::string> flagColumns = {
        "Bit", "Dash", "Desc", "B0", "B1", "Note0", "NoteName0", "Note1", "NoteName1"};
    static const std::vector<std::string> enumColumns = {"Value", "Desc", "Note", "NoteName"};
    static const std::vector<std::string> dtcTargets = {"Desc", "DTC"};
    static const std::vector<std::string> flagTargets = {"Desc", "B0", "B1"};
    static const std::vector<std::string> enumTargets = {"Desc"};
    const bool dtc = grid == dbgDTCs, flag = grid == dbgFlags;
    const auto& columns = dtc ? dtcColumns : flag ? flagColumns : enumColumns;
    const auto& targets = dtc ? dtcTargets : flag ? flagTargets : enumTargets;
    if (column >= static_cast<int>(columns.size())) {
        return;
    }
    const std::string& columnField = columns[column];
    if (std::find(targets.begin(), targets.end(), columnField) == targets.end()) {
        return;
    }
    TTable& table = *grid->Table();
    if (!Ask(reverse ? ReversePasteQuestion : PasteQuestion)) {
        return;
    }
    const std::vector<std::string> lines =
        SplitTextLines(QGuiApplication::clipboard()->text().toStdString());
    if (lines.empty()) {
        Warn(ClipboardEmptyText);
        return;
    }
    if (!grid->Commit()) {
        return;
    }
    const int atype = grid == dbgEnums ? atEnum : dtc ? atDTC : atFlags;
    try {
        PasteLines(table, grid == dbgEnums ? "Value" : "Bit", columnField, lines, reverse,
                   ListKeyLimit(atype, Vehicle.Attrs->AsInteger("Bits")));
    } catch (const EQuorvinError& e) {
        Error(e.what());
    }
    refreshList(grid);
}

void TframeEdA::ImportTable() {
    TTable& attrs = Vehicle.Attrs;
    if (!attrs.CurrentRecord()) {
        return;
    }
    const std::string file =
        OpenFileName(Format("Select import file for %s...", attrs.AsString("ACode").c_str()),
                     "Text (*.txt)|*.txt|Comma seperated values (*.csv)|*.csv");
    if (file.empty()) {
        return;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        Error(Format("Can't open file %s. %s", file.c_str(), SystemErrorText(errno).c_str()));
        return;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::vector<TLookupRow> rows;
    std::string error;
    std::string notes;
    if (!ReadLookupText(text.str(), rows, error, &notes)) {
        // Nothing is cleared: the table stays as it was.
        Error(Format("Can't import file %s. %s", file.c_str(), error.c_str()));
        return;
    }
    if (!dbgTable->Commit()) {
        return;
    }
    dbgTable->setVisible(false);
    try {
        ReplaceLookupRows(Vehicle.Table, rows);
    } catch (const EQuorvinError& e) {
        Error(e.what());
    }
    dbgTable->Refresh();
    dbgTable->setVisible(true);
    if (!notes.empty()) {
        Warn(Format("Imported %d rows from %s. %s", static_cast<int>(rows.size()), file.c_str(),
                    notes.c_str()));
    }
}

void TframeEdA::ExportTable() {
    TTable& attrs = Vehicle.Attrs;
    if (!attrs.CurrentRecord() || !dbgTable->Commit()) {
        return;
    }
    const std::string file = SaveFileName(
        Format("Export %s to file...", attrs.AsString("ACode").c_str()), "*.txt|*.txt");
    if (file.empty()) {
        return;
    }
    const std::string text = LookupText(LookupRows(Vehicle.Table));
    dbgTable->Refresh();
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) {
        Error(Format("Can't open file %s. %s", file.c_str(), SystemErrorText(errno).c_str()));
        return;
    }
    out << text;
    out.close();
    if (!out) {
        Error(Format("Can't write file %s. %s", file.c_str(), SystemErrorText(errno).c_str()));
    }
}

void TframeEdA::ClearTable() {
    if (!Vehicle.Attrs->CurrentRecord()) {
        return;
    }
    try {
        ReplaceLookupRows(Vehicle.Table, {});
    } catch (const EQuorvinError& e) {
        Error(e.what());
    }
    dbgTable->Refresh();
}

void TframeEdA::gridCommand(TDBIniGrid* grid, QKeyCombination key) {
    if (key.key() == Qt::Key_A || key.key() == Qt::Key_B) {
        PasteIntoGrid(grid, key.key() == Qt::Key_A);
        return;
    }
    grid->DeleteCurrent();
    refreshList(grid);
}
