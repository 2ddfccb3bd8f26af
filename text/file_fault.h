// file_fault.h — the countdown behind fs::fail_operation, checked by each platform's file operations.
#pragma once

namespace peltatxt::fs::detail {

// True when the operation about to run must fail.
bool operation_fails() noexcept;

}  // namespace peltatxt::fs::detail
