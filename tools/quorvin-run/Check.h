#pragma once
// quorvin-run --check: the self-test of the link on --device or --port.
#include "Runner.h"

// Prints the findings and the verdict; ExitOK when the link is usable, else ExitFailed.
int RunCheck(const TRunOptions& options);
