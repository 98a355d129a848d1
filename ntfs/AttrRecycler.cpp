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
// A thread that frees what another allocated would otherwise pile blocks up
// without end; a sweep needs a few dozen at a time.
constexpr std::size_t kMaxKept = 4096;

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
    void* Take(std::size_t sizeClass) {
        FreeBlock* block = m_heads[sizeClass];
        if (!block) return nullptr;
        m_heads[sizeClass] = block->next;
        --m_counts[sizeClass];
        return block;
    }
    bool Keep(void* block, std::size_t sizeClass) {
        if (m_counts[sizeClass] >= kMaxKept) return false;
        auto* freed = static_cast<FreeBlock*>(block);
        freed->next = m_heads[sizeClass];
        m_heads[sizeClass] = freed;
        ++m_counts[sizeClass];
        return true;
    }
    std::size_t Count(std::size_t sizeClass) const { return m_counts[sizeClass]; }

private:
    std::array<FreeBlock*, kClasses> m_heads{};
    std::array<std::size_t, kClasses> m_counts{};
};

thread_local FreeLists t_freeLists;

std::size_t ClassOf(std::size_t size) { return (size + kGrain - 1) / kGrain - 1; }

}  // namespace

void* Allocate(std::size_t size) {
    const std::size_t sizeClass = ClassOf(size);
    if (!kRecycle || size == 0 || sizeClass >= kClasses) return ::operator new(size);
    if (!t_listsGone)
        if (void* block = t_freeLists.Take(sizeClass)) return block;
    return ::operator new((sizeClass + 1) * kGrain);
}

void Release(void* block, std::size_t size) {
    const std::size_t sizeClass = ClassOf(size);
    if (!kRecycle || size == 0 || sizeClass >= kClasses) {
        ::operator delete(block);
        return;
    }
    if (t_listsGone || !t_freeLists.Keep(block, sizeClass)) ::operator delete(block);
}

std::size_t KeptOnThisThread(std::size_t size) {
    const std::size_t sizeClass = ClassOf(size);
    if (!kRecycle || size == 0 || sizeClass >= kClasses || t_listsGone) return 0;
    return t_freeLists.Count(sizeClass);
}

}  // namespace attr_recycler
