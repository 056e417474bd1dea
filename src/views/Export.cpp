#include "views/Export.h"

#include "common/Common.h"
#include "common/IniFile.h"
#include "engine/Cartridge.h"
#include "log/DataLog.h"
#include "shell/WindowState.h"
#include "views/ListPageCommon.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <set>

namespace {

const char* const Section = "fExport";
const char* const EmptyListText =
    "\r\nThe currently selected macro does\r\nnot return any aldl data.\r\nTo display aldl items "
    "here, first\r\nselect a macro that returns aldl data.\r\n";
// The remembered attributes: every one the dialog has listed, and the selected ones.
const char* const ListedKey = "Listed";
const char* const SelectedKey = "Selected";
const char* const KeySeparator = "|";

constexpr TExportFormat AllFormats[] = {TExportFormat::Spreadsheet, TExportFormat::Portable,
                                        TExportFormat::Msl};

// The capture's file name with the format's extension; empty when the capture has none.
QString exportName(const std::string& logName, TExportFormat format) {
    if (logName.empty()) {
        return {};
    }
    return QString::fromStdString(
        std::filesystem::path(logName).replace_extension(ExportExtension(format)).string());
}

// A frame number typed in the range fields; def when the text is not a whole number.
int frameNumber(const QLineEdit& field, int def) {
    int value = 0;
    return TryReadInt(field.text().toStdString(), value) ? value : def;
}

std::set<std::string> keySet(const std::string& text) {
    std::set<std::string> keys;
    for (const std::string& key : Split(text, KeySeparator)) {
        if (!key.empty()) {
            keys.insert(key);
        }
    }
    return keys;
}

std::string keyText(const std::set<std::string>& keys) {
    std::string text;
    for (const std::string& key : keys) {
        text += (text.empty() ? "" : KeySeparator) + key;
    }
    return text;
}

class TBusyCursor {
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

} // namespace

TfExport::TfExport(TCartridge& engine, TDataLog& log, QWidget* parent)
    : QDialog(parent), Engine(engine), Log(log) {
    setObjectName(QLatin1String(Section));
    setWindowTitle(QStringLiteral("Export data..."));
    setMinimumSize(560, 480);
    resize(660, 560);
    auto* layout = new QVBoxLayout(this);

    auto* middle = new QHBoxLayout();
    List = new QTreeWidget(this);
    List->setObjectName(QStringLiteral("List"));
    List->setHeaderLabels({QStringLiteral("Attribute"), QStringLiteral("Description"),
                           QStringLiteral("Module"), QStringLiteral("Table"),
                           QStringLiteral("Units")});
    const int widths[5] = {90, 190, 80, 45, 60};
    for (int i = 0; i < 5; ++i) {
        List->setColumnWidth(i, widths[i]);
    }
    List->headerItem()->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    List->setRootIsDecorated(false);
    List->setUniformRowHeights(true);
    List->setAllColumnsShowFocus(true);
    List->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List->setSelectionBehavior(QAbstractItemView::SelectRows);
    List->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List->setIconSize(QSize(16, 16));
    // The text that covers the list when the macro has nothing to export.
    ListStack = new QStackedWidget(this);
    ListStack->addWidget(List);
    EmptyText = new QLabel(this);
    EmptyText->setObjectName(QStringLiteral("EmptyText"));
    EmptyText->setAlignment(Qt::AlignCenter);
    EmptyText->setWordWrap(true);
    EmptyText->setAutoFillBackground(true);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(21);
    EmptyText->setFont(font);
    QPalette palette = EmptyText->palette();
    palette.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    palette.setColor(QPalette::WindowText, QColor(0x80, 0x00, 0x00));
    EmptyText->setPalette(palette);
    EmptyText->setText(DisplayText(EmptyListText));
    ListStack->addWidget(EmptyText);
    middle->addWidget(ListStack, 1);

    auto* side = new QVBoxLayout();
    auto* selectAll = new QPushButton(QStringLiteral("Select all"), this);
    auto* clear = new QPushButton(QStringLiteral("Clear"), this);
    auto* invert = new QPushButton(QStringLiteral("Invert"), this);
    for (QPushButton* b : {selectAll, clear, invert}) {
        b->setAutoDefault(false);
        side->addWidget(b);
    }
    side->addStretch(1);
    middle->addLayout(side);
    layout->addLayout(middle, 1);

    // The format, and the columns only the formats for other programs have.
    auto* formatBox = new QGroupBox(QStringLiteral("Format"), this);
    auto* formatLayout = new QGridLayout(formatBox);
    const char* const formatTexts[] = {"Spreadsheet CSV", "Portable CSV", "Log viewer (.msl)"};
    const char* const formatNames[] = {"rbSpreadsheet", "rbPortable", "rbMsl"};
    auto* formatGroup = new QButtonGroup(this);
    for (int f = 0; f < 3; ++f) {
        Formats[f] = new QRadioButton(QLatin1String(formatTexts[f]), formatBox);
        Formats[f]->setObjectName(QLatin1String(formatNames[f]));
        formatGroup->addButton(Formats[f]);
        formatLayout->addWidget(Formats[f], 0, f);
    }
    ClockColumn = new QCheckBox(QStringLiteral("Clock (time of day)"), formatBox);
    ClockColumn->setObjectName(QStringLiteral("cbClock"));
    NotesColumn = new QCheckBox(QStringLiteral("Notes"), formatBox);
    NotesColumn->setObjectName(QStringLiteral("cbNotes"));
    CodesColumn = new QCheckBox(QStringLiteral("Trouble codes set"), formatBox);
    CodesColumn->setObjectName(QStringLiteral("cbCodes"));
    formatLayout->addWidget(ClockColumn, 1, 0);
    formatLayout->addWidget(NotesColumn, 1, 1);
    formatLayout->addWidget(CodesColumn, 1, 2);
    layout->addWidget(formatBox);

    auto* rangeBox = new QGroupBox(QStringLiteral("Frames"), this);
    auto* rangeLayout = new QGridLayout(rangeBox);
    auto* rangeGroup = new QButtonGroup(this);
    AllFrames = new QRadioButton(QStringLiteral("All frames"), rangeBox);
    AllFrames->setObjectName(QStringLiteral("rbAllFrames"));
    VisibleRange = new QRadioButton(QStringLiteral("The charts' visible range"), rangeBox);
    VisibleRange->setObjectName(QStringLiteral("rbVisible"));
    CursorRange = new QRadioButton(QStringLiteral("The cursor's frame to the end"), rangeBox);
    CursorRange->setObjectName(QStringLiteral("rbCursor"));
    FramesRange = new QRadioButton(QStringLiteral("Frames:"), rangeBox);
    FramesRange->setObjectName(QStringLiteral("rbFrames"));
    for (QRadioButton* b : {AllFrames, VisibleRange, CursorRange, FramesRange}) {
        rangeGroup->addButton(b);
    }
    FromFrame = new QLineEdit(rangeBox);
    FromFrame->setObjectName(QStringLiteral("edFrom"));
    ToFrame = new QLineEdit(rangeBox);
    ToFrame->setObjectName(QStringLiteral("edTo"));
    for (QLineEdit* field : {FromFrame, ToFrame}) {
        field->setMaximumWidth(80);
        field->setAlignment(Qt::AlignRight);
    }
    auto* fields = new QHBoxLayout();
    fields->addWidget(FramesRange);
    fields->addWidget(FromFrame);
    fields->addWidget(new QLabel(QStringLiteral("to"), rangeBox));
    fields->addWidget(ToFrame);
    fields->addStretch(1);
    rangeLayout->addWidget(AllFrames, 0, 0);
    rangeLayout->addWidget(VisibleRange, 0, 1);
    rangeLayout->addLayout(fields, 1, 0);
    rangeLayout->addWidget(CursorRange, 1, 1);
    layout->addWidget(rangeBox);

    auto* fileRow = new QHBoxLayout();
    fileRow->addWidget(new QLabel(QStringLiteral("Save to file:"), this));
    FileName = new QLineEdit(this);
    FileName->setObjectName(QStringLiteral("edFileName"));
    fileRow->addWidget(FileName, 1);
    auto* browse = new QPushButton(QStringLiteral("Browse"), this);
    browse->setAutoDefault(false);
    fileRow->addWidget(browse);
    layout->addLayout(fileRow);

    auto* bottom = new QHBoxLayout();
    bottom->addStretch(1);
    ExportButton = new QPushButton(QStringLiteral("Export"), this);
    ExportButton->setObjectName(QStringLiteral("btnExport"));
    ExportButton->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setAutoDefault(false);
    bottom->addWidget(ExportButton);
    bottom->addWidget(cancel);
    layout->addLayout(bottom);

    connect(FramesRange, &QRadioButton::toggled, this, [this](bool frames) {
        FromFrame->setEnabled(frames);
        ToFrame->setEnabled(frames);
    });
    for (QRadioButton* b : Formats) {
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on) {
                formatChanged();
            }
        });
    }
    connect(selectAll, &QPushButton::clicked, this, &TfExport::SelectAllClick);
    connect(clear, &QPushButton::clicked, this, &TfExport::ClearClick);
    connect(invert, &QPushButton::clicked, this, &TfExport::InvertClick);
    connect(browse, &QPushButton::clicked, this, &TfExport::BrowseClick);
    connect(ExportButton, &QPushButton::clicked, this, [this] { ExportClick(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    Formats[0]->setChecked(true);
    AllFrames->setChecked(true);
    CentreOnScreen(*this);
    LoadWindowState(*this, Section);
}

TfExport::~TfExport() = default;

QRadioButton& TfExport::formatButton(TExportFormat format) const {
    return *Formats[static_cast<int>(format)];
}

TExportFormat TfExport::format() const {
    for (TExportFormat f : AllFormats) {
        if (formatButton(f).isChecked()) {
            return f;
        }
    }
    return TExportFormat::Spreadsheet;
}

std::string TfExport::rowKey(const TExportColumn& c) const {
    const TMacroItem& item = Engine.Items[static_cast<size_t>(c.Item)];
    return item.MCode + "/" + item.RCode + "/" +
           item.Request.Attrs[static_cast<size_t>(c.Attr)].ACode;
}

void TfExport::loadChoices() {
    const TIniFile ini(IniPath());
    TExportFormat remembered = TExportFormat::Spreadsheet;
    ExportFormatOf(ini.ReadString(Section, "Format", ""), remembered);
    const QSignalBlocker block(Formats[static_cast<int>(remembered)]);
    formatButton(remembered).setChecked(true);
    ClockColumn->setChecked(ini.ReadBool(Section, "Clock", false));
    NotesColumn->setChecked(ini.ReadBool(Section, "Notes", true));
    CodesColumn->setChecked(ini.ReadBool(Section, "Codes", true));
    const std::set<std::string> listed = keySet(ini.ReadString(Section, ListedKey, ""));
    const std::set<std::string> selected = keySet(ini.ReadString(Section, SelectedKey, ""));
    Selection.clear();
    for (const TExportColumn& c : ExportChoices(Engine, TExportFormat::Portable)) {
        const std::string key = rowKey(c);
        Selection[key] = !listed.count(key) || selected.count(key);
    }
}

void TfExport::saveChoices() {
    takeSelection();
    try {
        TIniFile ini(IniPath());
        std::set<std::string> listed = keySet(ini.ReadString(Section, ListedKey, ""));
        std::set<std::string> selected = keySet(ini.ReadString(Section, SelectedKey, ""));
        for (const auto& [key, on] : Selection) {
            listed.insert(key);
            if (on) {
                selected.insert(key);
            } else {
                selected.erase(key);
            }
        }
        ini.WriteString(Section, "Format", ExportFormatName(format()));
        ini.WriteBool(Section, "Clock", ClockColumn->isChecked());
        ini.WriteBool(Section, "Notes", NotesColumn->isChecked());
        ini.WriteBool(Section, "Codes", CodesColumn->isChecked());
        ini.WriteString(Section, ListedKey, keyText(listed));
        ini.WriteString(Section, SelectedKey, keyText(selected));
        ini.UpdateFile();
    } catch (const std::exception&) {
        // The choices are a convenience: a settings file that cannot be written costs only them.
    }
}

void TfExport::takeSelection() {
    const int count = std::min<int>(List->topLevelItemCount(), static_cast<int>(Rows.size()));
    for (int r = 0; r < count; ++r) {
        Selection[rowKey(Rows[static_cast<size_t>(r)])] = List->topLevelItem(r)->isSelected();
    }
}

void TfExport::fillList() {
    List->clear();
    Shown = format();
    Rows = ExportChoices(Engine, Shown);
    for (const TExportColumn& c : Rows) {
        const TMacroItem& item = Engine.Items[static_cast<size_t>(c.Item)];
        const TAttr& attr = item.Request.Attrs[static_cast<size_t>(c.Attr)];
        auto* row = new QTreeWidgetItem(
            {QString::fromStdString(attr.ACode), QString::fromStdString(attr.ADesc),
             QString::fromStdString(item.MCode), QString::number(item.Request.MessageNo),
             QString::fromStdString(attr.Scale.Units)});
        row->setIcon(0, AttrTypeIcon(attr.AType));
        row->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        List->addTopLevelItem(row);
        const auto known = Selection.find(rowKey(c));
        row->setSelected(known == Selection.end() || known->second);
    }
    if (List->topLevelItemCount() > 0) {
        List->setCurrentItem(List->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
    }
    ListStack->setCurrentWidget(Rows.empty() ? static_cast<QWidget*>(EmptyText) : List);
}

void TfExport::formatChanged() {
    const TExportFormat now = format();
    for (QCheckBox* b : {ClockColumn, NotesColumn, CodesColumn}) {
        b->setEnabled(now != TExportFormat::Spreadsheet);
    }
    // The usual extension follows the format; another name the user typed stays.
    const QString name = FileName->text();
    const QFileInfo info(name);
    const QString suffix = info.suffix().toLower();
    if (!name.isEmpty() && (suffix == QLatin1String("csv") || suffix == QLatin1String("msl"))) {
        FileName->setText(name.left(name.size() - info.suffix().size() - 1) +
                          QLatin1String(ExportExtension(now)));
    }
    if (now != Shown) {
        takeSelection();
        fillList();
    }
}

void TfExport::FormShow() {
    loadChoices();
    List->clear();
    Rows.clear();
    FileName->setText(exportName(Log.FileName(), format()));
    Confirmed.clear(); // a name Browse chose for an earlier export was asked about for that one
    formatChanged();
    fillList();
    Charts = ChartRange ? ChartRange() : TExportChartRange{0, 0, -1};
    const bool visible = ChartRange && Charts.First >= 0 && Charts.End > Charts.First;
    const bool cursor = ChartRange && Charts.Cursor >= 0 && Charts.Cursor < Log.Count();
    VisibleRange->setEnabled(visible);
    VisibleRange->setText(visible ? QStringLiteral("The charts' visible range (%1 to %2)")
                                        .arg(Charts.First)
                                        .arg(Charts.End)
                                  : QStringLiteral("The charts' visible range"));
    CursorRange->setEnabled(cursor);
    CursorRange->setText(cursor ? QStringLiteral("The cursor's frame to the end (%1 to %2)")
                                      .arg(Charts.Cursor)
                                      .arg(Log.Count())
                                : QStringLiteral("The cursor's frame to the end"));
    FromFrame->setText(QStringLiteral("0"));
    ToFrame->setText(QString::number(Log.Count()));
    AllFrames->setChecked(true);
    FromFrame->setEnabled(false);
    ToFrame->setEnabled(false);
}

bool TfExport::Execute() {
    FormShow();
    return exec() == QDialog::Accepted;
}

void TfExport::BrowseClick() {
    QString chosen;
    if (SaveDialogHook) {
        chosen = SaveDialogHook(FileName->text());
    } else {
        const bool msl = format() == TExportFormat::Msl;
        QFileDialog dialog(
            this, QString(), FileName->text(),
            msl ? QStringLiteral("Log viewer files (*.msl);;All files (*.*)")
                : QStringLiteral("Comma seperated text files (*.csv);;All files (*.*)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(msl ? QStringLiteral("msl") : QStringLiteral("csv"));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            chosen = dialog.selectedFiles().first();
        }
    }
    if (!chosen.isEmpty()) {
        FileName->setText(chosen);
        Confirmed = chosen;
    }
}

void TfExport::SelectAllClick() {
    List->selectAll();
}

void TfExport::ClearClick() {
    List->clearSelection();
}

void TfExport::InvertClick() {
    for (int r = 0; r < List->topLevelItemCount(); ++r) {
        QTreeWidgetItem* row = List->topLevelItem(r);
        row->setSelected(!row->isSelected());
    }
}

std::vector<TExportColumn> TfExport::Chosen() const {
    std::vector<TExportColumn> chosen;
    const int count = std::min<int>(List->topLevelItemCount(), static_cast<int>(Rows.size()));
    for (int r = 0; r < count; ++r) {
        if (List->topLevelItem(r)->isSelected()) {
            chosen.push_back(Rows[static_cast<size_t>(r)]);
        }
    }
    return chosen;
}

TCsvRange TfExport::Range() const {
    if (VisibleRange->isChecked()) {
        return {Charts.First, Charts.End};
    }
    if (CursorRange->isChecked()) {
        return {Charts.Cursor, INT_MAX};
    }
    if (FramesRange->isChecked()) {
        return {frameNumber(*FromFrame, 0), frameNumber(*ToFrame, Log.Count())};
    }
    return TCsvRange::All();
}

TExportOptions TfExport::Options() const {
    const bool more = format() != TExportFormat::Spreadsheet;
    return {format(), more && ClockColumn->isChecked(), more && NotesColumn->isChecked(),
            more && CodesColumn->isChecked()};
}

bool TfExport::ExportClick() {
    const std::string name = FileName->text().trimmed().toStdString();
    if (name.empty()) {
        message(QMessageBox::Warning, QStringLiteral("Please select an export filename"));
        return false;
    }
    const std::vector<TExportColumn> chosen = Chosen();
    if (chosen.empty() || !TExportWriter(Engine, chosen, Options()).HasColumns()) {
        message(QMessageBox::Warning,
                QStringLiteral("Please select at least one attirbute to be exported"));
        return false;
    }
    const QString typed = QString::fromStdString(name);
    if (typed != Confirmed && QFileInfo::exists(typed) &&
        !ask(typed + QStringLiteral(" already exists.\r\nDo you want to replace it?"))) {
        return false; // the dialog stays open for another name
    }
    try {
        TBusyCursor busy;
        ExportLog(name, Engine, Log, chosen, Options(), Range());
    } catch (const std::exception& e) {
        // Nothing is lost: an earlier file of that name is whole and the dialog stays open.
        message(QMessageBox::Critical, QString::fromStdString(e.what()));
        if (OnExported) {
            OnExported();
        }
        return false;
    }
    saveChoices();
    if (OnExported) {
        OnExported();
    }
    accept();
    return true;
}

void TfExport::message(QMessageBox::Icon icon, const QString& text) {
    if (MessageHook) {
        MessageHook(icon, text);
        return;
    }
    QMessageBox box(icon, windowTitle(), text, QMessageBox::Ok, this);
    box.exec();
}

bool TfExport::ask(const QString& text) {
    if (QuestionHook) {
        return QuestionHook(text);
    }
    QMessageBox box(QMessageBox::Warning, windowTitle(), text, QMessageBox::Yes | QMessageBox::No,
                    this);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void TfExport::hideEvent(QHideEvent* event) {
    SaveWindowState(*this, Section);
    QDialog::hideEvent(event);
}

bool TfExport::ShowsEmptyText() const {
    return ListStack->currentWidget() == EmptyText;
}
