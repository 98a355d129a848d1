#pragma once
// Storage for attribute objects, recycled per thread. A sweep builds a few
// attributes for every record and drops them all at the next one, hundreds
// of thousands in all; a free list of same-sized blocks hands them out in a
// few instructions instead of a trip through the general allocator.
// Sanitizer builds allocate every object afresh, so that a use after free
// is still caught.
#include <cstddef>

namespace attr_recycler {

void* Allocate(std::size_t size);
void Release(void* block, std::size_t size);
// Free blocks of `size` this thread holds for reuse, at most a few thousand.
std::size_t KeptOnThisThread(std::size_t size);

}  // namespace attr_recycler
