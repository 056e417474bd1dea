#include "editor/EditorPage.h"

#include "common/Errors.h"
#include "definitions/Table.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>

#include <algorithm>

TEditorPage::TEditorPage(TVehicle& vehicle, QWidget* parent) : QWidget(parent), Vehicle(vehicle) {}

enum class TLinkKind { lkEdit, lkMemo, lkCheck, lkCombo, lkLookup };

struct TFieldBinder::TLink {
    TLink(TLinkKind kind, QWidget* control, TTable* table, std::string field)
        : Kind(kind), Control(control), Table(table), Field(std::move(field)) {}
    TLinkKind Kind;
    QWidget* Control;
    TTable* Table;
    std::string Field;
    TChoices Choices;
    bool Waiting = false; // holds text the field refused
    std::string Refusal;
};

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

std::string controlText(QWidget* control, TLinkKind kind) {
    switch (kind) {
    case TLinkKind::lkEdit:
        return static_cast<QLineEdit*>(control)->text().toStdString();
    case TLinkKind::lkMemo:
        return static_cast<QPlainTextEdit*>(control)->toPlainText().toStdString();
    case TLinkKind::lkCombo:
        return static_cast<QComboBox*>(control)->currentText().toStdString();
    default:
        return {};
    }
}

} // namespace

TFieldBinder::TFieldBinder(QWidget* owner) : owner_(owner) {}

TFieldBinder::~TFieldBinder() {
    for (TLink* l : links_)
        delete l;
}

void TFieldBinder::Bind(QLineEdit* edit, TTable& table, const std::string& field) {
    auto* link = new TLink(TLinkKind::lkEdit, edit, &table, field);
    links_.push_back(link);
    const TFieldDef& def = table.Def().Fields[table.FieldIndex(field)];
    // A text longer than the field would be cut when stored; refuse it while typing instead.
    if (def.DataType == TFieldType::ftString && def.Size > 0)
        edit->setMaxLength(def.Size);
    QObject::connect(edit, &QLineEdit::textEdited, edit, [this, link] { store(*link); });
}

void TFieldBinder::Bind(QPlainTextEdit* memo, TTable& table, const std::string& field) {
    auto* link = new TLink(TLinkKind::lkMemo, memo, &table, field);
    links_.push_back(link);
    QObject::connect(memo, &QPlainTextEdit::textChanged, memo, [this, link] {
        if (!refreshing_)
            store(*link);
    });
}

void TFieldBinder::Bind(QCheckBox* box, TTable& table, const std::string& field) {
    auto* link = new TLink(TLinkKind::lkCheck, box, &table, field);
    links_.push_back(link);
    QObject::connect(box, &QCheckBox::clicked, box, [this, link] { store(*link); });
}

void TFieldBinder::Bind(QComboBox* combo, TTable& table, const std::string& field) {
    auto* link = new TLink(TLinkKind::lkCombo, combo, &table, field);
    links_.push_back(link);
    QObject::connect(combo, &QComboBox::activated, combo, [this, link] { store(*link); });
    if (combo->isEditable()) {
        QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo,
                         [this, link] { store(*link); });
    }
}

void TFieldBinder::Bind(QComboBox* combo, TTable& table, const std::string& field,
                        TChoices choices) {
    auto* link = new TLink(TLinkKind::lkLookup, combo, &table, field);
    links_.push_back(link);
    SetChoices(combo, std::move(choices));
    QObject::connect(combo, &QComboBox::activated, combo, [this, link] { store(*link); });
}

void TFieldBinder::SetChoices(QComboBox* combo, TChoices choices) {
    TLink* link = find(combo);
    if (!link)
        return;
    link->Choices = std::move(choices);
    refreshing_ = true;
    combo->clear();
    for (auto& c : link->Choices)
        combo->addItem(qs(c.first));
    refreshing_ = false;
}

TFieldBinder::TLink* TFieldBinder::find(QWidget* control) {
    auto it = std::find_if(links_.begin(), links_.end(),
                           [control](TLink* l) { return l->Control == control; });
    return it == links_.end() ? nullptr : *it;
}

void TFieldBinder::Refresh() {
    refreshing_ = true;
    for (TLink* l : links_) {
        TTable& t = *l->Table;
        bool hasRecord = t.CurrentRecord() != nullptr;
        l->Control->setEnabled(hasRecord);
        l->Waiting = false;
        std::string value = hasRecord ? t.AsString(l->Field) : std::string();
        switch (l->Kind) {
        case TLinkKind::lkEdit:
            static_cast<QLineEdit*>(l->Control)->setText(qs(value));
            break;
        case TLinkKind::lkMemo:
            static_cast<QPlainTextEdit*>(l->Control)->setPlainText(qs(value));
            break;
        case TLinkKind::lkCheck:
            static_cast<QCheckBox*>(l->Control)->setChecked(hasRecord && t.AsBool(l->Field));
            break;
        case TLinkKind::lkCombo: {
            auto* c = static_cast<QComboBox*>(l->Control);
            int i = c->findText(qs(value));
            if (c->isEditable()) {
                c->setEditText(qs(value));
            } else {
                c->setCurrentIndex(i);
            }
            break;
        }
        case TLinkKind::lkLookup: {
            auto* c = static_cast<QComboBox*>(l->Control);
            int index = -1;
            for (size_t i = 0; i < l->Choices.size(); ++i) {
                if (l->Choices[i].second == value) {
                    index = static_cast<int>(i);
                    break;
                }
            }
            c->setCurrentIndex(index);
            break;
        }
        }
    }
    refreshing_ = false;
}

void TFieldBinder::store(TLink& link) {
    if (refreshing_)
        return;
    TTable& t = *link.Table;
    try {
        if (!t.Editing())
            t.Edit();
        switch (link.Kind) {
        case TLinkKind::lkCheck:
            t.SetAsBool(link.Field, static_cast<QCheckBox*>(link.Control)->isChecked());
            break;
        case TLinkKind::lkLookup: {
            int i = static_cast<QComboBox*>(link.Control)->currentIndex();
            if (i >= 0 && i < static_cast<int>(link.Choices.size())) {
                t.SetAsString(link.Field, link.Choices[i].second);
            }
            break;
        }
        default:
            t.SetAsString(link.Field, controlText(link.Control, link.Kind));
            break;
        }
        link.Waiting = false;
        link.Refusal.clear();
    } catch (const EQuorvinError& e) {
        // Kept in the control; Commit reports it unless the user mends it first.
        link.Waiting = true;
        link.Refusal = e.what();
    }
    if (OnUserChange)
        OnUserChange(link.Control, link.Field);
}

bool TFieldBinder::HasRefusedText() const {
    return std::any_of(links_.begin(), links_.end(), [](TLink* l) { return l->Waiting; });
}

bool TFieldBinder::Commit() {
    for (TLink* l : links_) {
        if (!l->Waiting)
            continue;
        store(*l);
        if (l->Waiting) {
            ShowEditError(owner_, l->Refusal + ".");
            l->Control->setFocus();
            return false;
        }
    }
    std::vector<TTable*> done;
    for (TLink* l : links_) {
        TTable* t = l->Table;
        if (std::find(done.begin(), done.end(), t) != done.end())
            continue;
        done.push_back(t);
        if (!t->Editing())
            continue;
        try {
            t->Post();
        } catch (const EQuorvinError& e) {
            ShowEditError(owner_, e.what());
            l->Control->setFocus();
            return false;
        }
    }
    return true;
}

void ShowEditError(QWidget* parent, const std::string& message) {
    QMessageBox::warning(parent, QStringLiteral("Quorvin"), QString::fromStdString(message));
}

void ShowErrorBox(QWidget* parent, const std::string& message) {
    QMessageBox::critical(parent, QStringLiteral("Quorvin"), QString::fromStdString(message));
}

namespace {

// Module and request icons are drawn here; the others come from the program's icon set.
QIcon drawnIcon(bool module) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(32.0 / 24.0, 32.0 / 24.0);
    p.setPen(QPen(QColor("#3c4043"), 1.2));
    if (module) {
        p.setBrush(QColor("#2fa84f"));
        p.drawRoundedRect(QRectF(5.5, 5.5, 13, 13), 1.5, 1.5);
        for (int i = 0; i < 3; ++i) {
            double x = 8.5 + 3.5 * i;
            p.drawLine(QPointF(x, 2), QPointF(x, 5.5));
            p.drawLine(QPointF(x, 18.5), QPointF(x, 22));
            p.drawLine(QPointF(2, x), QPointF(5.5, x));
            p.drawLine(QPointF(18.5, x), QPointF(22, x));
        }
    } else {
        p.setBrush(QColor("#f0a020"));
        QPolygonF arrow;
        arrow << QPointF(3, 9) << QPointF(13, 9) << QPointF(13, 4) << QPointF(21, 12)
              << QPointF(13, 20) << QPointF(13, 15) << QPointF(3, 15);
        p.drawPolygon(arrow);
    }
    return QIcon(pm);
}

} // namespace

// The icon set lives in the static window library; make sure it is registered.
static void initIcons() {
    Q_INIT_RESOURCE(icons);
}

QIcon EditorNodeIcon(int index) {
    static const bool registered = (initIcons(), true);
    (void)registered;
    static const char* const files[] = {":/icons/vehicle.png",
                                        nullptr,
                                        nullptr,
                                        ":/icons/atype_scaled.png",
                                        ":/icons/atype_lookup.png",
                                        ":/icons/atype_raw.png",
                                        ":/icons/atype_dtc.png",
                                        ":/icons/atype_flags.png",
                                        ":/icons/atype_enum.png"};
    if (index == 1 || index == 2)
        return drawnIcon(index == 1);
    if (index < 0 || index > 8)
        index = 3;
    return QIcon(QString::fromLatin1(files[index]));
}

QWidget* EditorPageHeader(QWidget* parent, const QIcon& icon, const QString& text,
                          QLabel** labelOut) {
    auto* header = new QWidget(parent);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 4);
    auto* image = new QLabel(header);
    image->setObjectName(QStringLiteral("headerIcon"));
    image->setPixmap(icon.pixmap(32, 32));
    auto* label = new QLabel(text, header);
    QFont f = label->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.3);
    label->setFont(f);
    row->addWidget(image);
    row->addWidget(label);
    row->addStretch();
    if (labelOut)
        *labelOut = label;
    return header;
}
