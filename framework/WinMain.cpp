// The entry point of a program built on the framework: runs its one
// application object.
#include "WinApp.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, PWSTR, int)
{
    return AfxWinMain(hInstance);
}
