#include "views/OverridePrompt.h"

#include <QInputDialog>
#include <QWidget>

bool PromptOverride(QWidget* parent, const std::string& label, std::string& text) {
    bool ok = false;
    QString answer = QInputDialog::getText(parent, QStringLiteral("Override parameter..."),
                                           QString::fromStdString(label), QLineEdit::Normal,
                                           QString::fromStdString(text), &ok);
    if (ok) {
        text = answer.toStdString();
    }
    return ok;
}
