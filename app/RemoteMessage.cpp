// The registered message of the command line, in a file of its own: the
// console companion Korvane.com asks with it and links nothing of the dialog.
#include "RemoteControl.h"

const UINT g_msgRemoteControl = ::RegisterWindowMessageW(L"Korvane.RemoteControl.1");
