// Where libraries loaded by plain name may come from.
#pragma once

// Limits the search to the program's folder and the system folders, leaving
// out the working directory and PATH. Call before anything is loaded
// dynamically; false where the system cannot limit it.
bool RestrictDllSearchToTrustedFolders();
