// shared_string.h — SharedString: a value-semantic handle to a reference-counted UTF-16 string block.
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>

#include "entry_layout.h"

namespace peltatxt {

using Unit = char16_t;
using Text = std::u16string_view;

// The code units behind a raw handle; a null handle reads as empty. Does not touch the count.
Text view_of(const Unit* handle) noexcept;

// Owns one reference to a block. Copies share the block; the last release frees it. Empty
// strings use the static empty block and never allocate. Constructors that allocate throw
// std::bad_alloc.
class SharedString {
public:
    SharedString() noexcept;
    explicit SharedString(Text text);
    SharedString(const SharedString& other) noexcept;
    SharedString(SharedString&& other) noexcept : handle_(std::exchange(other.handle_, empty_handle())) {}
    SharedString& operator=(const SharedString& other) noexcept;
    SharedString& operator=(SharedString&& other) noexcept;
    ~SharedString();

    // Takes over the one reference that handle carries (null: the empty string).
    static SharedString adopt(Unit* handle) noexcept;
    // A block of length units whose contents the caller fills through *units before use.
    static SharedString uninitialized(std::size_t length, Unit** units);

    Text view() const noexcept { return view_of(handle_); }
    std::size_t size() const noexcept { return view().size(); }
    bool empty() const noexcept { return size() == 0; }
    const Unit* handle() const noexcept { return handle_; }
    // Gives the reference away to the caller, who must release it; this becomes empty.
    Unit* release() noexcept { return std::exchange(handle_, empty_handle()); }

    static Unit* empty_handle() noexcept;
    // Drops one reference to a raw handle (null and static blocks are left alone).
    static void release_handle(Unit* handle) noexcept;

    friend bool operator==(const SharedString& a, const SharedString& b) noexcept { return a.view() == b.view(); }

private:
    Unit* handle_;
};

}  // namespace peltatxt
