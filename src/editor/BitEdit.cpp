#include "editor/BitEdit.h"

#include "common/Common.h"
#include "common/Format.h"

#include <QColor>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>

#include <cmath>

namespace {
constexpr int kWidth = 416;
constexpr int kCell = 12;
constexpr int kCells = 33; // 32 bits and the blank place of an empty selection
constexpr int kBlank = 32;
constexpr int kMaxPosition = 124;
} // namespace

TBitEdit::TBitEdit(QWidget* parent) : QWidget(parent) {
    setFixedSize(kWidth, 75);
    for (int i = 0; i < 2; ++i) {
        words_[i] = new QPushButton(this);
        words_[i]->setGeometry(i * 208, 0, 208, 20);
        words_[i]->setFocusPolicy(Qt::NoFocus);
        connect(words_[i], &QPushButton::clicked, this,
                [this, i] { SelectCells(16 * i, 16 * i + 15); });
    }
    for (int i = 0; i < 4; ++i) {
        bytes_[i] = new QPushButton(this);
        bytes_[i]->setGeometry(i * 104, 20, 104, 19);
        bytes_[i]->setFocusPolicy(Qt::NoFocus);
        connect(bytes_[i], &QPushButton::clicked, this,
                [this, i] { SelectCells(8 * i, 8 * i + 7); });
    }
    strip_ = new QTableWidget(1, kCells, this);
    strip_->setGeometry(0, 39, kWidth, 20);
    strip_->horizontalHeader()->setMinimumSectionSize(1);
    strip_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    strip_->setAutoScroll(false);
    strip_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    strip_->horizontalHeader()->hide();
    strip_->verticalHeader()->hide();
    strip_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    strip_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    strip_->setFrameShape(QFrame::NoFrame);
    strip_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    strip_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    strip_->setRowHeight(0, 20);
    strip_->setShowGrid(true);
    for (int c = 0; c < kCells; ++c) {
        int width = c == kBlank ? kWidth - kBlank * kCell : kCell;
        strip_->setColumnWidth(c, width);
        auto* item = new QTableWidgetItem(c == kBlank ? QString() : QString::number(7 - c % 8));
        item->setTextAlignment(Qt::AlignCenter);
        if (c != kBlank && (c / 8) % 2 == 1)
            item->setBackground(QColor(0xE8, 0xEE, 0xF7));
        strip_->setItem(0, c, item);
    }
    QFont small = strip_->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    strip_->setFont(small);
    connect(strip_, &QTableWidget::itemSelectionChanged, this, [this] {
        if (!showing_)
            takeSelection();
    });
    scroll_ = new QScrollBar(Qt::Horizontal, this);
    scroll_->setGeometry(0, 59, kWidth, 16);
    scroll_->setRange(0, kMaxPosition);
    scroll_->setSingleStep(1);
    scroll_->setPageStep(4);
    connect(scroll_, &QScrollBar::valueChanged, this, [this] {
        updateCaptions();
        showSelection();
    });
    updateCaptions();
    showSelection();
}

int TBitEdit::Position() const {
    return scroll_->value();
}

void TBitEdit::SetPosition(int position) {
    scroll_->setValue(Clamp(position, 0, kMaxPosition));
}

void TBitEdit::SetSelection(int bits, double start) {
    if (start < 0 || bits <= 0)
        return;
    // Start is byte.bit; wide selections stay inside the 32-bit index range.
    double wholeStart = std::min(std::trunc(start), 1.0e6);
    int digit = static_cast<int>(std::lround(start * 10)) % 10;
    high_ = 8 * static_cast<int>(wholeStart) - 1 - digit;
    low_ = high_ - std::min(bits, 1 << 20) + 1;
    SetPosition(high_ / 8 - 2); // shows the selection
    showSelection();
    fire();
}

void TBitEdit::updateCaptions() {
    int p = Position();
    words_[0]->setText(
        QString::fromStdString(Format("Word: %d (msb:%d  lsb:%d)", (p + 2) / 2, p + 1, p + 2)));
    words_[1]->setText(
        QString::fromStdString(Format("Word: %d (msb:%d  lsb:%d)", (p + 4) / 2, p + 3, p + 4)));
    for (int i = 0; i < 4; ++i) {
        bytes_[i]->setText(QString::fromStdString(Format("Byte: %d", p + 1 + i)));
    }
}

void TBitEdit::showSelection() {
    int first = 8 * Position();
    auto cell = [first](int index) {
        return index >= first && index <= first + 31 ? index - first : -1;
    };
    int lowCell = cell(low_);
    int highCell = cell(high_);
    int left = lowCell;
    int right = highCell;
    if (low_ < 0 || high_ < 0 || (lowCell < 0 && highCell < 0)) {
        left = right = kBlank;
    } else if (lowCell < 0) {
        left = 0;
    } else if (highCell < 0) {
        right = 31;
    }
    showing_ = true;
    strip_->clearSelection();
    strip_->setRangeSelected(QTableWidgetSelectionRange(0, left, 0, right), true);
    strip_->setCurrentCell(0, right, QItemSelectionModel::NoUpdate);
    showing_ = false;
}

void TBitEdit::SelectCells(int left, int right) {
    showing_ = true;
    strip_->clearSelection();
    strip_->setRangeSelected(QTableWidgetSelectionRange(0, left, 0, right), true);
    showing_ = false;
    takeSelection();
}

void TBitEdit::takeSelection() {
    QList<QTableWidgetSelectionRange> ranges = strip_->selectedRanges();
    if (ranges.isEmpty())
        return;
    int left = ranges.front().leftColumn();
    int right = ranges.front().rightColumn();
    for (auto& r : ranges) {
        left = std::min(left, r.leftColumn());
        right = std::max(right, r.rightColumn());
    }
    if (left == kBlank || right == kBlank)
        return;
    low_ = left + 8 * Position();
    high_ = right + 8 * Position();
    fire();
}

void TBitEdit::fire() {
    if (OnSelectionChanged)
        OnSelectionChanged(*this, StartByte(), StartBit(), Count());
}

bool TBitEdit::eventFilter(QObject* watched, QEvent* event) {
    return QWidget::eventFilter(watched, event);
}
