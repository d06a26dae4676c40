// The DPI functions a test plays the system with, the program's own put
// back however the test ends.
#pragma once
#include "Dpi.h"

class DpiApiScope
{
public:
    explicit DpiApiScope(const dpi::Api& api) : m_previous(dpi::SetApiForTesting(api)) {}
    ~DpiApiScope() { dpi::SetApiForTesting(m_previous); }
    DpiApiScope(const DpiApiScope&) = delete;
    DpiApiScope& operator=(const DpiApiScope&) = delete;

private:
    dpi::Api m_previous;
};
