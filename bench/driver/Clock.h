// The benchmark's clock: milliseconds from the performance counter.
#pragma once

namespace bench {

double Now();

} // namespace bench
