#pragma once

// quorvin --demo: the program against a simulated engine module in this process, on a
// pseudo-terminal of its own, with the user's settings and the sample vehicle. Nothing needs
// to be plugged in or configured. Returns the program's exit code.
int RunDemo();
