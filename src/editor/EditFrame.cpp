#include "editor/EditFrame.h"

#include "common/Common.h"
#include "link/Packet.h"
#include "shell/WindowState.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const char* const kSection = "fEditFrame";
QString qs(const std::string& s) {
    return QString::fromStdString(s);
}
} // namespace

TfEditFrame::TfEditFrame(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fEditFrame"));
    setWindowTitle(QStringLiteral("Edit Command Frame"));
    setMinimumWidth(246);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    struct Box {
        const char* label;
        QLineEdit** edit;
        bool editable;
        int stretch;
    };
    const Box boxes[] = {{"ID", &edID, true, 0},
                         {"Len", &edLen, false, 0},
                         {"Mode", &edMode, true, 0},
                         {"Parameters", &edParams, true, 1},
                         {"Csum", &edCsum, false, 0}};
    int column = 0;
    for (const Box& b : boxes) {
        auto* label = new QLabel(QString::fromLatin1(b.label), this);
        auto* edit = new QLineEdit(this);
        *b.edit = edit;
        label->setBuddy(edit);
        edit->setReadOnly(!b.editable);
        if (!b.editable)
            edit->setFocusPolicy(Qt::NoFocus);
        if (b.stretch == 0)
            edit->setFixedWidth(edit->fontMetrics().horizontalAdvance("$000") + 14);
        else
            edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance("$00,$00,$00,$00") + 14);
        grid->addWidget(label, 0, column);
        grid->addWidget(edit, 1, column);
        grid->setColumnStretch(column, b.stretch);
        ++column;
        if (b.editable)
            connect(edit, &QLineEdit::textChanged, this, [this] { recalculate(); });
    }
    btnRefresh = new QPushButton(QStringLiteral("&Refresh"), this);
    btnRefresh->setAutoDefault(false);
    connect(btnRefresh, &QPushButton::clicked, this, [this] { SetFrame(ComposedText()); });
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("OK"));
    ok->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* box = new QVBoxLayout(this);
    box->addLayout(grid);
    box->addStretch();
    auto* bar = new QHBoxLayout;
    bar->addWidget(btnRefresh);
    bar->addStretch();
    bar->addWidget(buttons);
    box->addLayout(bar);
    resize(360, sizeHint().height());
    LoadWindowState(*this, kSection);
}

TfEditFrame::~TfEditFrame() {
    SaveWindowState(*this, kSection);
}

void TfEditFrame::SetFrame(const std::string& text) {
    TPacket frame;
    frame.FromFrameText(text);
    frame.UpdateChecksum();
    edID->setText(qs(HexByteText(frame.Header())));
    edMode->setText(qs(frame.DataHeadText()));
    edParams->setText(qs(frame.DataTailText()));
    recalculate();
}

std::string TfEditFrame::ComposedText() const {
    std::string text = edID->text().toStdString() + "," + edLen->text().toStdString();
    if (!edMode->text().isEmpty())
        text += "," + edMode->text().toStdString();
    if (!edParams->text().isEmpty())
        text += "," + edParams->text().toStdString();
    return text + "," + edCsum->text().toStdString();
}

std::string TfEditFrame::Result() {
    SetFrame(ComposedText());
    TPacket frame;
    frame.FromFrameText(ComposedText());
    frame.UpdateChecksum();
    return frame.HexText();
}

void TfEditFrame::recalculate() {
    if (!edLen || !edCsum)
        return;
    TPacket frame;
    frame.FromFrameText(ComposedText());
    frame.UpdateChecksum();
    edLen->setText(qs(HexByteText(frame.LengthByte())));
    edCsum->setText(qs(HexByteText(frame.Checksum())));
}
