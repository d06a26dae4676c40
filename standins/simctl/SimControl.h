// Talking to the firmware simulator's pipes from tests and scripts.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace simctl {

// The simulator's control pipe path for a command pipe name (bare or full).
std::wstring ControlPipePath(const std::wstring& pipeName);

// Sends one message and reads the whole answer into *reply, status byte
// included. False when there was no answer within timeoutMs.
bool Transact(const std::wstring& pipePath, const std::string& message, std::string* reply,
              DWORD timeoutMs = 3000);

// One control command. True when the simulator carried it out; *payload gets
// the answer without its status byte either way.
bool Control(const std::wstring& pipeName, const std::string& command, std::string* payload = nullptr,
             DWORD timeoutMs = 3000);

struct SimState
{
    int system0 = 0;
    int system1 = 0;
    int ap = 0;
    int subscribers = 0;
    int scripted = 0; // scripted outcomes not yet used
    unsigned long pid = 0;
};

bool ReadState(const std::wstring& pipeName, SimState* state);
// Every message the command pipe received, oldest first, as raw bytes.
bool ReadLog(const std::wstring& pipeName, std::vector<std::string>* entries);

} // namespace simctl
