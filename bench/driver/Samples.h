// The raw samples, collected as one JSON object for bench/report.py: each key
// names the phase, the program and the figure.
#pragma once

#include <string>
#include <vector>

namespace bench {

void SampleValue(const std::string& key, double value);
void SampleText(const std::string& key, const std::string& value);
void SampleList(const std::string& key, const std::vector<double>& values);

// Writes everything sampled so far as the file's whole JSON object.
bool WriteSamples(const std::wstring& path);

} // namespace bench
