// shared_string.cpp — string blocks: allocation, atomic reference counting and the static empty block.
#include "shared_string.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "memory.h"

namespace peltatxt {
namespace {

struct EmptyBlock {
    PeltaStringHeader header;
    Unit units[2];
};
EmptyBlock empty_block = {{-1, 0, 0}, {0, 0}};

PeltaStringHeader* header_of(const Unit* handle) noexcept {
    return reinterpret_cast<PeltaStringHeader*>(
        const_cast<char*>(reinterpret_cast<const char*>(handle)) - sizeof(PeltaStringHeader));
}

void retain(Unit* handle) noexcept {
    PeltaStringHeader* h = header_of(handle);
    std::atomic_ref<int32_t> refs(h->refs);
    if (refs.load(std::memory_order_relaxed) >= 0) refs.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

Text view_of(const Unit* handle) noexcept {
    if (!handle) return {};
    int32_t length = header_of(handle)->length;
    return length > 0 ? Text(handle, static_cast<std::size_t>(length)) : Text();
}

Unit* SharedString::empty_handle() noexcept { return empty_block.units; }

void SharedString::release_handle(Unit* handle) noexcept {
    if (!handle) return;
    PeltaStringHeader* h = header_of(handle);
    std::atomic_ref<int32_t> refs(h->refs);
    if (refs.load(std::memory_order_relaxed) < 0) return;
    if (refs.fetch_sub(1, std::memory_order_acq_rel) == 1) memory::release(h);
}

SharedString::SharedString() noexcept : handle_(empty_handle()) {}

SharedString SharedString::uninitialized(std::size_t length, Unit** units) {
    SharedString s;
    if (length == 0) {
        *units = nullptr;
        return s;
    }
    if (length > static_cast<std::size_t>(std::numeric_limits<int32_t>::max() - 1)) throw std::bad_alloc();
    void* raw = memory::allocate(sizeof(PeltaStringHeader) + (length + 1) * sizeof(Unit));
    auto* h = static_cast<PeltaStringHeader*>(raw);
    h->refs = 1;
    h->length = static_cast<int32_t>(length);
    h->capacity = static_cast<int32_t>(length);
    s.handle_ = reinterpret_cast<Unit*>(h + 1);
    s.handle_[length] = 0;
    *units = s.handle_;
    return s;
}

SharedString::SharedString(Text text) : handle_(empty_handle()) {
    Unit* units = nullptr;
    SharedString s = uninitialized(text.size(), &units);
    if (!text.empty()) std::memcpy(units, text.data(), text.size() * sizeof(Unit));
    handle_ = s.release();
}

SharedString::SharedString(const SharedString& other) noexcept : handle_(other.handle_) { retain(handle_); }

SharedString& SharedString::operator=(const SharedString& other) noexcept {
    retain(other.handle_);
    release_handle(std::exchange(handle_, other.handle_));
    return *this;
}

SharedString& SharedString::operator=(SharedString&& other) noexcept {
    if (this != &other) release_handle(std::exchange(handle_, std::exchange(other.handle_, empty_handle())));
    return *this;
}

SharedString::~SharedString() { release_handle(handle_); }

SharedString SharedString::adopt(Unit* handle) noexcept {
    SharedString s;
    if (handle) s.handle_ = handle;
    return s;
}

}  // namespace peltatxt
