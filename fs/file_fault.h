// file_fault.h — the test seams the file operations check: the countdown behind fs::fail_operation, and the choice of temporaries.
//
// Only the test variant of the core (built with PELTATXT_FAULT_SEAMS) has them; in the released
// build each check is a constant and costs nothing.
#pragma once

#include <system_error>

namespace peltatxt::fs::detail {

#if defined(PELTATXT_FAULT_SEAMS)
// True, with ec set to EIO, when the operation about to run must fail.
bool operation_fails(std::error_code& ec) noexcept;
// False when saves must use named temporary files (see use_unnamed_temporaries).
bool unnamed_temporaries_allowed() noexcept;
#else
// Inlined even without optimisation, so that no build of the plug-in holds a trace of the seams.
#if defined(__GNUC__)
#define PELTATXT_NO_SEAM [[gnu::always_inline]]
#else
#define PELTATXT_NO_SEAM
#endif
PELTATXT_NO_SEAM constexpr bool operation_fails(std::error_code&) noexcept { return false; }
PELTATXT_NO_SEAM constexpr bool unnamed_temporaries_allowed() noexcept { return true; }
#undef PELTATXT_NO_SEAM
#endif

}  // namespace peltatxt::fs::detail
