// Text commands to the firmware through the maker's library: capability
// queries and the AP state read and write.
#pragma once

// The command call every operation goes through. It is the library's
// QEL_CallNamePipe unless a test has put a fake in its place.
using PipeCallFn = int (*)(const char* request, int requestSize, char* reply, int replySize);

// Replaces the command call and returns the previous one (tests only).
PipeCallFn SetPipeCallForTesting(PipeCallFn fn);

// True when the command succeeds and the reply's value AND mask is nonzero.
bool QuerySystemFlag(int instance, int mask);

// The AP state, or fallback when the query fails or answers -1 or 255.
int ReadAPState(int fallback);

// Sets the AP state and reads it back; true when the value read equals value.
bool WriteAPState(int value);
