#include "views/OverridePrompt.h"

#include <QWidget>

bool PromptOverride(QWidget*, const std::string&, std::string&) {
    return false;
}
