// F1 in any window of the program asks for help; one handler answers every such request.
#pragma once

#include <functional>

// Installs the handler (nullptr removes it). The first call puts an event filter on the
// application that catches F1 before any window sees it.
void InstallHelpHandler(std::function<void()> handler);
