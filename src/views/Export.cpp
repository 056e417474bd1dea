#include "views/Export.h"

#include "common/Common.h"
#include "engine/Cartridge.h"
#include "log/DataLog.h"
#include "shell/WindowState.h"
#include "views/ListPageCommon.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <filesystem>

namespace {

const char* const Section = "fExport";
const char* const EmptyListText =
    "\r\nThe currently selected macro does\r\nnot return any aldl data.\r\nTo display aldl items "
    "here, first\r\nselect a macro that returns aldl data.\r\n";

// The capture's file name with the extension ".csv"; empty when the capture has none.
QString csvName(const std::string& logName) {
    if (logName.empty()) {
        return {};
    }
    return QString::fromStdString(
        std::filesystem::path(logName).replace_extension(".csv").string());
}

// A frame number typed in the range fields; def when the text is not a whole number.
int frameNumber(const QLineEdit& field, int def) {
    int value = 0;
    return TryReadInt(field.text().toStdString(), value) ? value : def;
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
    setMinimumSize(480, 340);
    resize(620, 430);
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

    auto* grid = new QGridLayout();
    grid->addWidget(new QLabel(QStringLiteral("Save to file:"), this), 0, 0);
    FileName = new QLineEdit(this);
    FileName->setObjectName(QStringLiteral("edFileName"));
    grid->addWidget(FileName, 0, 1);
    auto* browse = new QPushButton(QStringLiteral("Browse"), this);
    browse->setAutoDefault(false);
    grid->addWidget(browse, 0, 2);

    grid->addWidget(new QLabel(QStringLiteral("Frames:"), this), 1, 0);
    auto* range = new QHBoxLayout();
    AllFrames = new QCheckBox(QStringLiteral("All frames   or:"), this);
    AllFrames->setObjectName(QStringLiteral("cbAllFrames"));
    FromFrame = new QLineEdit(this);
    FromFrame->setObjectName(QStringLiteral("edFrom"));
    ToFrame = new QLineEdit(this);
    ToFrame->setObjectName(QStringLiteral("edTo"));
    for (QLineEdit* field : {FromFrame, ToFrame}) {
        field->setMaximumWidth(60);
        field->setAlignment(Qt::AlignRight);
    }
    range->addWidget(AllFrames);
    range->addWidget(FromFrame);
    range->addWidget(new QLabel(QStringLiteral("to"), this));
    range->addWidget(ToFrame);
    range->addStretch(1);
    grid->addLayout(range, 1, 1, 1, 2);
    layout->addLayout(grid);

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

    connect(AllFrames, &QCheckBox::toggled, this, [this](bool all) {
        FromFrame->setEnabled(!all);
        ToFrame->setEnabled(!all);
    });
    connect(selectAll, &QPushButton::clicked, this, &TfExport::SelectAllClick);
    connect(clear, &QPushButton::clicked, this, &TfExport::ClearClick);
    connect(invert, &QPushButton::clicked, this, &TfExport::InvertClick);
    connect(browse, &QPushButton::clicked, this, &TfExport::BrowseClick);
    connect(ExportButton, &QPushButton::clicked, this, [this] { ExportClick(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    CentreOnScreen(*this);
    LoadWindowState(*this, Section);
}

TfExport::~TfExport() = default;

void TfExport::FormShow() {
    List->clear();
    Rows = ExportableAttributes(Engine);
    for (const TExportColumn& c : Rows) {
        const TMacroItem& item = Engine.Items[c.Item];
        const TAttr& attr = item.Request.Attrs[c.Attr];
        auto* row = new QTreeWidgetItem(
            {QString::fromStdString(attr.ACode), QString::fromStdString(attr.ADesc),
             QString::fromStdString(item.MCode), QString::number(item.Request.MessageNo),
             QString::fromStdString(attr.Scale.Units)});
        row->setIcon(0, AttrTypeIcon(attr.AType));
        row->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        List->addTopLevelItem(row);
    }
    ListStack->setCurrentWidget(Rows.empty() ? static_cast<QWidget*>(EmptyText) : List);
    FileName->setText(csvName(Log.FileName()));
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
        QFileDialog dialog(this, QString(), FileName->text(),
                           QStringLiteral("Comma seperated text files (*.csv);;All files (*.*)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("csv"));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            chosen = dialog.selectedFiles().first();
        }
    }
    if (!chosen.isEmpty()) {
        FileName->setText(chosen);
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
            chosen.push_back(Rows[r]);
        }
    }
    return chosen;
}

TCsvRange TfExport::Range() const {
    if (AllFrames->isChecked()) {
        return TCsvRange::All();
    }
    return {frameNumber(*FromFrame, 0), frameNumber(*ToFrame, Log.Count())};
}

bool TfExport::ExportClick() {
    const std::string name = FileName->text().trimmed().toStdString();
    if (name.empty()) {
        message(QMessageBox::Warning, QStringLiteral("Please select an export filename"));
        return false;
    }
    const std::vector<TExportColumn> chosen = Chosen();
    if (chosen.empty()) {
        message(QMessageBox::Warning,
                QStringLiteral("Please select at least one attirbute to be exported"));
        return false;
    }
    try {
        TBusyCursor busy;
        ExportCsv(name, Engine, Log, chosen, Range());
    } catch (const std::exception& e) {
        // Nothing is lost: an earlier file of that name is whole and the dialog stays open.
        message(QMessageBox::Critical, QString::fromStdString(e.what()));
        if (OnExported) {
            OnExported();
        }
        return false;
    }
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

void TfExport::hideEvent(QHideEvent* event) {
    SaveWindowState(*this, Section);
    QDialog::hideEvent(event);
}

bool TfExport::ShowsEmptyText() const {
    return ListStack->currentWidget() == EmptyText;
}
