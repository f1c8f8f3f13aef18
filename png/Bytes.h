#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace png {

// An allocator that leaves new elements uninitialised: large pixel buffers are written in
// full right after they are sized, so zeroing them first would only cost time. Where zeros
// are wanted, the code asks for them explicitly (assign(n, 0), resize(n, 0)).
template <class T>
struct DefaultInitAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    DefaultInitAllocator() = default;
    template <class U>
    DefaultInitAllocator(const DefaultInitAllocator<U> &) noexcept {}

    template <class U>
    void construct(U *p) noexcept
    {
        ::new (static_cast<void *>(p)) U;
    }
    template <class U, class... Args>
    void construct(U *p, Args &&...args)
    {
        ::new (static_cast<void *>(p)) U(std::forward<Args>(args)...);
    }
};

using Bytes = std::vector<uint8_t, DefaultInitAllocator<uint8_t>>;

} // namespace png
