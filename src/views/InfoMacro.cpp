#include "views/InfoMacro.h"

#include "common/Format.h"
#include "engine/Cartridge.h"
#include "shell/WindowState.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const char* const Section = "fInfoMacro";
}

TfInfoMacro::TfInfoMacro(QWidget* parent) : QDialog(parent) {
    setObjectName(QLatin1String(Section));
    setWindowTitle(QStringLiteral("Macro..."));
    setMinimumSize(340, 260);
    resize(440, 320);
    auto* layout = new QVBoxLayout(this);
    Title = new QLabel(this);
    Title->setObjectName(QStringLiteral("lblTitle"));
    QFont big = Title->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    Title->setFont(big);
    Title->setWordWrap(true);
    layout->addWidget(Title);

    auto* form = new QFormLayout();
    Repeating = new QLineEdit(this);
    Repeating->setObjectName(QStringLiteral("edRepeating"));
    Repeating->setReadOnly(true);
    Repeating->setMaximumWidth(60);
    Repeating->setToolTip(QStringLiteral("Macro repeats until stopped"));
    form->addRow(QStringLiteral("Repeating:"), Repeating);
    layout->addLayout(form);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("memo"));
    Memo->setReadOnly(true);
    Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    layout->addWidget(Memo, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    LoadWindowState(*this, Section);
}

TfInfoMacro::~TfInfoMacro() = default;

std::vector<std::string> TfInfoMacro::MemoLines(const TCartridge& engine) {
    std::vector<std::string> lines;
    int count = std::min<int>(engine.ItemCount, static_cast<int>(engine.Items.size()));
    for (int k = 0; k < count; ++k) {
        const TMacroItem& item = engine.Items[k];
        lines.push_back(Format("Item %s(x%d iterations). Module: %s. Mode %s", item.RCode.c_str(),
                               item.Iters, item.MCode.c_str(), item.ModeByte.c_str()));
    }
    lines.push_back("");
    std::string comments = engine.MacroComments;
    size_t start = 0;
    while (start < comments.size()) {
        size_t end = comments.find('\n', start);
        std::string line = comments.substr(start, end == std::string::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return lines;
}

void TfInfoMacro::Fill(const TCartridge& engine) {
    Title->setText(QString::fromStdString(engine.MacroTitle));
    Repeating->setText(engine.Restart ? QStringLiteral("Yes") : QStringLiteral("No"));
    QStringList lines;
    for (const std::string& line : MemoLines(engine)) {
        lines.append(QString::fromStdString(line));
    }
    Memo->setPlainText(lines.join(QLatin1Char('\n')));
    Memo->moveCursor(QTextCursor::Start);
}

void TfInfoMacro::hideEvent(QHideEvent* event) {
    SaveWindowState(*this, Section);
    QDialog::hideEvent(event);
}
