// shared_string.h — SharedString: a value-semantic handle to a reference-counted UTF-16 string block; and its builder.
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>

#include <entry_layout.h>

namespace peltatxt {

using Unit = char16_t;
using Text = std::u16string_view;

// The code units behind a raw handle; a null handle reads as empty. Does not touch the count.
// Inline: the writer and the tool take a view of every field of every record.
inline Text view_of(const Unit* handle) noexcept {
    if (!handle) return {};
    const auto* header =
        reinterpret_cast<const PeltaStringHeader*>(reinterpret_cast<const char*>(handle) - sizeof(PeltaStringHeader));
    return header->length > 0 ? Text(handle, static_cast<std::size_t>(header->length)) : Text();
}

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
    friend class SharedStringBuilder;
    Unit* handle_;
};

// Builds one string by appending, in a block of the shared layout that grows in place where the
// allocator can. A long text is handed over in that block without copying it, so it is never held
// twice; a short one is copied into a block of its size and the builder keeps its block for the
// next text, so that building many short texts costs one allocation each.
class SharedStringBuilder {
public:
    SharedStringBuilder() = default;
    SharedStringBuilder(const SharedStringBuilder&) = delete;
    SharedStringBuilder& operator=(const SharedStringBuilder&) = delete;
    ~SharedStringBuilder();

    void append(Text text);  // throws std::bad_alloc, leaving the text as it was
    Text view() const noexcept { return Text(units(), size_); }
    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    void remove_suffix(std::size_t n) noexcept { size_ -= n; }
    void clear() noexcept { size_ = 0; }  // keeps the block for the next text
    // The text built so far, in a block of its size; the builder is empty afterwards. Throws
    // std::bad_alloc (a short text's copy), leaving the text as it was.
    SharedString take();

private:
    Unit* units() const noexcept;

    PeltaStringHeader* block_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;  // units the block holds, its terminator not counted
};

}  // namespace peltatxt
