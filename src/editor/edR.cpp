#include "editor/edR.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "definitions/TableText.h"
#include "definitions/XMLData.h"
#include "editor/EditScale.h"
#include "engine/Cartridge.h"
#include "link/RS232.h"
#include "link/Rtime.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* edit(QWidget* parent, const char* name, const char* hint) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setToolTip(QString::fromUtf8(hint));
    return e;
}

// Typing into a scale field of a request without a Scale record starts one.
void ensureRecordOnEdit(QLineEdit* e, TTable& table) {
    QObject::connect(e, &QLineEdit::textEdited, e, [&table] {
        if (!table.Editing() && table.IsEmpty()) {
            table.Insert();
            SetNewScaleDefaults(table); // a scale starts as factor 1, offset 0
        }
    });
}

} // namespace

TframeEdR::TframeEdR(TVehicle& vehicle, QWidget* parent)
    : TEditorPage(vehicle, parent), binder_(this), timer_(std::make_unique<TRtime>(false)),
      link_(std::make_unique<TRS232>(*timer_)),
      engine_(std::make_unique<TCartridge>(vehicle, *link_, *timer_)) {
    edRCode = edit(this, "edRCode", "Short description of request (eg ALDL-0)");
    edRDesc = edit(this, "edRDesc", "Long description of request");
    edParameters = edit(this, "edParameters", "Command parameters");
    edPrompt = edit(this, "edPrompt", "Prompt for mode $04 override commands");
    edOverride = edit(this, "edOverride", "Default value for mode $04 override commands");
    edFrame = edit(this, "edFrame", "The actual ALDL request frame");
    edFrame->setReadOnly(true);
    edFrame->setFocusPolicy(Qt::ClickFocus);
    edUnits = edit(this, "edUnits", "Units of measure of scaled value");
    edFactor = edit(this, "edFactor", "Scaling factor");
    edOffset = edit(this, "edOffset", "Scaling offset");
    btnScale = new QPushButton(QStringLiteral("..."), this);
    btnScale->setObjectName(QStringLiteral("btnScale"));
    btnScale->setToolTip(QStringLiteral("Select predefined scales"));
    btnScale->setFixedWidth(btnScale->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 20);
    edLengthByte = edit(this, "edLengthByte", "Frame length for 160 baud only");
    edLengthByte->setMaximumWidth(60);
    cbReply = new QCheckBox(this);
    cbReply->setObjectName(QStringLiteral("cbReply"));
    cbReply->setToolTip(QStringLiteral("This request generates a reply frame"));
    cbProcReply = new QCheckBox(this);
    cbProcReply->setObjectName(QStringLiteral("cbProcReply"));
    cbProcReply->setToolTip(QStringLiteral("Process the data returned from this request"));
    mmComments = new QPlainTextEdit(this);
    mmComments->setObjectName(QStringLiteral("mmComments"));
    mmComments->setToolTip(QStringLiteral("Comments about the request"));
    mmComments->setTabChangesFocus(true);

    auto* form = new QGridLayout;
    int row = 0;
    auto add = [&](const char* text, QWidget* w, QWidget* extra = nullptr) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setBuddy(w);
        form->addWidget(l, row, 0);
        if (extra) {
            form->addWidget(w, row, 1);
            form->addWidget(extra, row++, 2);
        } else {
            form->addWidget(w, row++, 1, 1, 2);
        }
    };
    add("Code:", edRCode);
    add("Description:", edRDesc);
    add("Parameters:", edParameters);
    add("Prompt:", edPrompt);
    add("Override $XX:", edOverride);
    add("Frame:", edFrame);
    add("Units:", edUnits);
    add("Factor:", edFactor, btnScale);
    add("Offset:", edOffset);
    auto* note = new QLabel(QStringLiteral("for 160 baud rate only"), this);
    note->setEnabled(false);
    auto* lengthRow = new QHBoxLayout;
    lengthRow->addWidget(edLengthByte);
    lengthRow->addWidget(note);
    lengthRow->addStretch();
    auto* lengthLabel = new QLabel(QStringLiteral("Frame length:"), this);
    lengthLabel->setBuddy(edLengthByte);
    form->addWidget(lengthLabel, row, 0);
    form->addLayout(lengthRow, row++, 1, 1, 2);
    add("Reply:", cbReply);
    add("Process:", cbProcReply);
    auto* commentsLabel = new QLabel(QStringLiteral("Comments:"), this);
    commentsLabel->setBuddy(mmComments);
    form->addWidget(commentsLabel, row, 0, Qt::AlignTop);
    form->addWidget(mmComments, row, 1, 1, 2);
    form->setRowStretch(row, 1);
    form->setColumnStretch(1, 1);

    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(6, 6, 6, 6);
    box->addWidget(EditorPageHeader(this, EditorNodeIcon(2), QStringLiteral("Request")));
    box->addLayout(form, 1);

    TTable& requests = vehicle.Requests;
    TTable& scale = vehicle.RScale;
    for (QLineEdit* e : {edUnits, edFactor, edOffset}) {
        ensureRecordOnEdit(e, scale);
    }
    binder_.Bind(edRCode, requests, "RCode");
    binder_.Bind(edRDesc, requests, "RDesc");
    binder_.Bind(edParameters, requests, "Parameters");
    binder_.Bind(edPrompt, requests, "Prompt");
    binder_.Bind(edOverride, requests, "Override");
    binder_.Bind(edUnits, scale, "Units");
    binder_.Bind(edFactor, scale, "Factor");
    binder_.Bind(edOffset, scale, "Offset");
    binder_.Bind(edLengthByte, requests, "LengthByte");
    binder_.Bind(cbReply, requests, "Reply");
    binder_.Bind(cbProcReply, requests, "ProcReply");
    binder_.Bind(mmComments, requests, "Comments");
    binder_.OnUserChange = [this](QWidget* control, const std::string&) {
        if (control == edRCode || control == edRDesc) {
            NodeTextChanged();
        }
    };
    for (QLineEdit* e : {edParameters, edOverride, edFactor, edOffset}) {
        connect(e, &QLineEdit::textChanged, this, [this] { RefreshFrame(); });
    }
    connect(btnScale, &QPushButton::clicked, this, &TframeEdR::SelectScale);
    edRCode->installEventFilter(this);

    Ask = [this](const std::string& q) {
        return QMessageBox::warning(this, QStringLiteral("Confirm"), QString::fromStdString(q),
                                    QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    Warn = [this](const std::string& m) { ShowEditError(this, m); };
    Error = [this](const std::string& m) { ShowErrorBox(this, m); };
    PickScale = [this] {
        TfEditScale picker(Vehicle, this);
        return picker.exec() == QDialog::Accepted;
    };
    setTabOrder(edRCode, edRDesc);
    setTabOrder(edRDesc, edParameters);
    setTabOrder(edParameters, edPrompt);
    setTabOrder(edPrompt, edOverride);
    setTabOrder(edOverride, edUnits);
    setTabOrder(edUnits, edFactor);
    setTabOrder(edFactor, btnScale);
    setTabOrder(btnScale, edOffset);
    setTabOrder(edOffset, edLengthByte);
    setTabOrder(edLengthByte, cbReply);
    setTabOrder(cbReply, cbProcReply);
    setTabOrder(cbProcReply, mmComments);
}

TframeEdR::~TframeEdR() = default;

void TframeEdR::Refresh() {
    binder_.Refresh();
    // The scale fields stay open for typing even without a Scale record (typing starts one).
    const bool hasRequest = Vehicle.Requests->CurrentRecord() != nullptr;
    for (QLineEdit* e : {edUnits, edFactor, edOffset}) {
        e->setEnabled(hasRequest);
    }
    btnScale->setEnabled(hasRequest);
    RefreshFrame();
}

bool TframeEdR::CommitEdits() {
    return binder_.Commit();
}

void TframeEdR::FocusCode() {
    edRCode->setFocus();
    edRCode->selectAll();
}

void TframeEdR::RefreshFrame() {
    TMacroItem item;
    item.ModuleID = ReadInt(Vehicle.Modules->AsString("ModuleID"));
    item.ModeByte = Vehicle.Modules->AsString("ModeByte");
    item.Request.Parameters = edParameters->text().toStdString();
    item.Request.Override = edOverride->text().toStdString();
    item.Request.Scale.Factor = static_cast<float>(ReadNumber(edFactor->text().toStdString(), 1));
    item.Request.Scale.Offset = static_cast<float>(ReadNumber(edOffset->text().toStdString(), 0));
    engine_->Items = {item};
    engine_->ItemCount = 1;
    engine_->ItemIndex = 0;
    engine_->IterCount = 0;
    engine_->RequestFrame = TPacket();
    engine_->BuildRequest();
    edFrame->setText(QString::fromStdString(engine_->RequestFrame.HexText()));
}

void TframeEdR::SelectScale() {
    if (!Vehicle.Requests->CurrentRecord() || !PickScale()) {
        return;
    }
    try {
        ApplyScaleCode(Vehicle.RScale, Vehicle.ScaleCodes);
    } catch (const EQuorvinError& e) {
        Error(e.what());
    }
    binder_.Refresh();
    RefreshFrame();
}

void TframeEdR::PasteAttributes() {
    if (!Ask(PasteQuestion)) {
        return;
    }
    const std::vector<std::string> lines =
        SplitTextLines(QGuiApplication::clipboard()->text().toStdString());
    if (lines.empty()) {
        Warn(ClipboardEmptyText);
        return;
    }
    std::vector<TAttrPasteLine> parsed;
    std::string error;
    if (!ParseAttrPaste(lines, parsed, error)) {
        Error(error);
        return;
    }
    if (!CommitEdits()) {
        return;
    }
    std::function<void()> add = OnInsertAttribute;
    if (!add) {
        add = [] { throw EQuorvinError("New attributes can only be added in the editor"); };
    }
    std::vector<int32_t> pasted;
    try {
        pasted = ApplyAttrPaste(Vehicle, parsed, add);
    } catch (const EQuorvinError& e) {
        Error(e.what());
    }
    // Whatever was written (all of it, or the lines before a refusal) is shown in the tree.
    if (OnAttributesPasted) {
        OnAttributesPasted(pasted);
    }
}

bool TframeEdR::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edRCode && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_B && key->modifiers() == Qt::ControlModifier) {
            PasteAttributes();
            return true;
        }
    }
    return TEditorPage::eventFilter(watched, event);
}
