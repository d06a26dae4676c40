// The program's version, read by the resource script and by packaging.
#pragma once

#define KORVANE_VERSION_MAJOR 2
#define KORVANE_VERSION_MINOR 0
#define KORVANE_VERSION_BUILD 1206
#define KORVANE_VERSION_PATCH 601

// VERSIONINFO wants the four numbers as a comma list.
#define KORVANE_VERSION_LIST 2, 0, 1206, 601
// The fourth number is written with a leading zero in the text form.
#define KORVANE_VERSION_STRING "2.0.1206.0601"

#define KORVANE_PRODUCT_NAME "Korvane"
#define KORVANE_FILE_NAME "Korvane.exe"
// The console companion for prompts.
#define KORVANE_COMPANION_FILE_NAME "Korvane.com"
#define KORVANE_COMPANION_DESCRIPTION "Korvane command line"
#define KORVANE_LEGAL_NOTICE "Copyright (C) 2012 QEL"
#define KORVANE_LEGAL_NOTICE_SHORT "(C) 2012 QEL"
