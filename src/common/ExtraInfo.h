#pragma once
// The text of an information dialog from an item's comments: the comments themselves, a hint
// when they are empty, or the lines of the file named by "File=name".
#include <string>
#include <vector>

// Lines of the text; "File=" (any case) names a file of at most 128 characters, read relative
// to the current folder, else the vehicle folder. A file that cannot be read shows the
// system's error text in its place.
std::vector<std::string> ExtraInfoLines(const std::string& comments);
