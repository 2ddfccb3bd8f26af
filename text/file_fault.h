// file_fault.h — the test seams the file operations check: the countdown behind fs::fail_operation, and the choice of temporaries.
//
// Only the test variant of the core (built with PELTATXT_FAULT_SEAMS) has them; in the released
// build each check is a constant and costs nothing.
#pragma once

namespace peltatxt::fs::detail {

#if defined(PELTATXT_FAULT_SEAMS)
// True when the operation about to run must fail.
bool operation_fails() noexcept;
// False when saves must use named temporary files (see use_unnamed_temporaries).
bool unnamed_temporaries_allowed() noexcept;
#else
constexpr bool operation_fails() noexcept { return false; }
constexpr bool unnamed_temporaries_allowed() noexcept { return true; }
#endif

}  // namespace peltatxt::fs::detail
