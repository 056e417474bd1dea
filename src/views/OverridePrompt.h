#pragma once
// The modal prompt for the override parameter of a mode $04 request ("Override parameter...").
#include <string>

class QWidget;

// label: the request's Prompt; text: the current Override on entry, the answer on OK.
bool PromptOverride(QWidget* parent, const std::string& label, std::string& text);
