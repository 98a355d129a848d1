#include "ntfs/AttrRecycler.h"

#include <array>
#include <new>

namespace attr_recycler {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kRecycle = false;
#else
constexpr bool kRecycle = true;
#endif

constexpr std::size_t kGrain = 64;
constexpr std::size_t kClasses = 8;  // blocks up to 512 bytes; larger ones are not kept

struct FreeBlock {
    FreeBlock* next;
};

// Free blocks by size class; given back to the allocator when the thread
// ends. Objects freed later still (by the destructors of statics) go straight
// back to the allocator.
thread_local bool t_listsGone = false;

class FreeLists {
public:
    ~FreeLists() {
        t_listsGone = true;
        for (std::size_t c = 0; c < kClasses; ++c) {
            while (FreeBlock* block = m_heads[c]) {
                m_heads[c] = block->next;
                ::operator delete(block);
            }
        }
    }
    FreeBlock*& Head(std::size_t sizeClass) { return m_heads[sizeClass]; }

private:
    std::array<FreeBlock*, kClasses> m_heads{};
};

thread_local FreeLists t_freeLists;

std::size_t ClassOf(std::size_t size) { return (size + kGrain - 1) / kGrain - 1; }

}  // namespace

void* Allocate(std::size_t size) {
    const std::size_t sizeClass = ClassOf(size);
    if (!kRecycle || size == 0 || sizeClass >= kClasses) return ::operator new(size);
    if (t_listsGone) return ::operator new((sizeClass + 1) * kGrain);
    FreeBlock*& head = t_freeLists.Head(sizeClass);
    if (FreeBlock* block = head) {
        head = block->next;
        return block;
    }
    return ::operator new((sizeClass + 1) * kGrain);
}

void Release(void* block, std::size_t size) {
    const std::size_t sizeClass = ClassOf(size);
    if (!kRecycle || size == 0 || sizeClass >= kClasses) {
        ::operator delete(block);
        return;
    }
    if (t_listsGone) {
        ::operator delete(block);
        return;
    }
    auto* freed = static_cast<FreeBlock*>(block);
    FreeBlock*& head = t_freeLists.Head(sizeClass);
    freed->next = head;
    head = freed;
}

}  // namespace attr_recycler
