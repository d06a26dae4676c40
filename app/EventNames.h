// Names of the notifications and commands the main dialog receives, for the
// diagnostic log.
#pragma once
#include <windows.h>

// "other" for the codes the dialog does not act on.
const char* PowerBroadcastName(WPARAM type);
const char* SessionChangeName(UINT code);
// Null for a WM_COMMAND wParam that is none of the menu's commands.
const char* MenuCommandName(WPARAM command);
