#include "common/ExtraInfo.h"

std::vector<std::string> ExtraInfoLines(const std::string& comments) {
    return {comments};
}
