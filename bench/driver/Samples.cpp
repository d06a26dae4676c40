#include "Samples.h"

#include "Files.h"

#include <cstdio>

namespace bench {

namespace {

// The object's members so far, each ending with a comma and a line end.
std::string g_members;

} // namespace

void SampleValue(const std::string& key, double value)
{
    char text[128];
    std::snprintf(text, sizeof text, "\"%s\": %.4f,\n", key.c_str(), value);
    g_members += text;
}

void SampleText(const std::string& key, const std::string& value)
{
    g_members += "\"" + key + "\": \"" + value + "\",\n";
}

void SampleList(const std::string& key, const std::vector<double>& values)
{
    g_members += "\"" + key + "\": [";
    for (size_t i = 0; i < values.size(); ++i)
        g_members += (i ? ", " : "") + std::to_string(values[i]);
    g_members += "],\n";
}

bool WriteSamples(const std::wstring& path)
{
    return drive::WriteTextFile(path, "{\n" + g_members + "\"end\": 0\n}\n");
}

} // namespace bench
