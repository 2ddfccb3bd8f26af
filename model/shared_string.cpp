// shared_string.cpp — string blocks: allocation, atomic reference counting, the static empty block, building in place.
#include "shared_string.h"

#include <algorithm>
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

// The longest string a block can hold: its length is a signed 32-bit count, and its size in bytes
// must fit a size_t (on a 32-bit target too).
constexpr std::size_t kMaxUnits =
    std::min<std::size_t>(static_cast<std::size_t>(std::numeric_limits<int32_t>::max() - 1),
                          (std::numeric_limits<std::size_t>::max() - sizeof(PeltaStringHeader)) / sizeof(Unit) - 1);
constexpr std::size_t kFirstCapacity = 256;  // units of a builder's first block
// From this length on a built text goes in the builder's own block; below it, a copy costs less
// than trimming the block and growing a new one for the next text.
constexpr std::size_t kHandOverUnits = 1u << 15;

std::size_t block_bytes(std::size_t units) noexcept { return sizeof(PeltaStringHeader) + (units + 1) * sizeof(Unit); }

// A block's count, changed atomically in place: the host may share blocks across its threads.
// Where the standard library lacks std::atomic_ref (libc++ 13, the WebAssembly build's), the
// compiler's atomic built-ins do the same on the plain int32_t.
#if defined(__cpp_lib_atomic_ref)
using RefCount = std::atomic_ref<int32_t>;
#else
class RefCount {
public:
    explicit RefCount(int32_t& count) noexcept : count_(count) {}
    int32_t load(std::memory_order) const noexcept { return __atomic_load_n(&count_, __ATOMIC_RELAXED); }
    int32_t fetch_add(int32_t n, std::memory_order) noexcept { return __atomic_fetch_add(&count_, n, __ATOMIC_RELAXED); }
    int32_t fetch_sub(int32_t n, std::memory_order) noexcept { return __atomic_fetch_sub(&count_, n, __ATOMIC_ACQ_REL); }

private:
    int32_t& count_;
};
#endif

void retain(Unit* handle) noexcept {
    PeltaStringHeader* h = header_of(handle);
    RefCount refs(h->refs);
    if (refs.load(std::memory_order_relaxed) >= 0) refs.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

Unit* SharedString::empty_handle() noexcept { return empty_block.units; }

void SharedString::release_handle(Unit* handle) noexcept {
    if (!handle) return;
    PeltaStringHeader* h = header_of(handle);
    RefCount refs(h->refs);
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
    if (length > kMaxUnits) throw std::bad_alloc();
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

SharedStringBuilder::~SharedStringBuilder() { memory::release(block_); }

Unit* SharedStringBuilder::units() const noexcept { return block_ ? reinterpret_cast<Unit*>(block_ + 1) : nullptr; }

void SharedStringBuilder::append(Text text) {
    if (text.empty()) return;
    if (text.size() > kMaxUnits - size_) throw std::bad_alloc();
    std::size_t needed = size_ + text.size();
    if (needed > capacity_) {
        // Doubling keeps appending linear; a large block grows by remapping, without a copy.
        std::size_t capacity = capacity_ > kMaxUnits / 2 ? kMaxUnits : std::max(2 * capacity_, kFirstCapacity);
        if (capacity < needed) capacity = needed;
        block_ = static_cast<PeltaStringHeader*>(memory::reallocate(block_, block_bytes(capacity)));
        capacity_ = capacity;
    }
    std::memcpy(units() + size_, text.data(), text.size() * sizeof(Unit));
    size_ = needed;
}

SharedString SharedStringBuilder::take() {
    SharedString s;
    if (size_ == 0) return s;
    if (size_ < kHandOverUnits) {
        s = SharedString(view());
        size_ = 0;
        return s;
    }
    auto* h = static_cast<PeltaStringHeader*>(memory::shrink(block_, block_bytes(size_)));
    h->refs = 1;
    h->length = static_cast<int32_t>(size_);
    h->capacity = static_cast<int32_t>(size_);  // at least: a block that did not shrink holds more
    Unit* u = reinterpret_cast<Unit*>(h + 1);
    u[size_] = 0;
    s.handle_ = u;
    block_ = nullptr;
    size_ = capacity_ = 0;
    return s;
}

}  // namespace peltatxt
