// How a clock change moves the firmware's AP state.
#pragma once

namespace gpu::detail {

// Fallbacks when the AP state cannot be read: an apply starts from "not
// overclocked", a restore from "overclocked".
constexpr int kApplyApFallback = 0;
constexpr int kRestoreApFallback = 1;

constexpr int kApOverclockedBit = 0x01;
// A successful restore keeps bits 1 to 7 only.
constexpr int kApRestoreMask = 0xFE;

} // namespace gpu::detail
