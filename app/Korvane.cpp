// The one application object of the program.
#include "KorvaneApp.h"

CKorvaneApp theApp;
