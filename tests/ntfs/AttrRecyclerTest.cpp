#include "ntfs/AttrRecycler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace {

// Blocks of every size an attribute may have, live at once: each is its own,
// whole, and a freed one may come back but never while still handed out.
TEST(AttrRecycler, HandsOutDistinctBlocksAndTakesThemBackFromAnyThread) {
    std::vector<std::pair<void*, size_t>> live;
    for (int round = 0; round < 3; ++round) {
        for (size_t size : {8u, 64u, 65u, 200u, 512u, 513u, 4000u}) {
            void* block = attr_recycler::Allocate(size);
            std::memset(block, 0xA5, size);
            live.emplace_back(block, size);
        }
    }
    std::set<void*> distinct;
    for (const auto& [block, size] : live) distinct.insert(block);
    EXPECT_EQ(distinct.size(), live.size());

    // Half go back on this thread, half on another; all can be handed out again.
    std::thread other([&] {
        for (size_t i = 0; i < live.size(); i += 2) attr_recycler::Release(live[i].first, live[i].second);
    });
    other.join();
    for (size_t i = 1; i < live.size(); i += 2) attr_recycler::Release(live[i].first, live[i].second);
    std::vector<void*> again;
    for (const auto& [block, size] : live) again.push_back(attr_recycler::Allocate(size));
    EXPECT_EQ(std::set<void*>(again.begin(), again.end()).size(), again.size());
    for (size_t i = 0; i < live.size(); ++i) attr_recycler::Release(again[i], live[i].second);
}

// A thread that only frees (blocks made elsewhere) keeps a bounded number
// and hands the rest back to the allocator.
TEST(AttrRecycler, AThreadThatOnlyFreesKeepsABoundedNumber) {
    constexpr size_t kSize = 96;
    std::vector<void*> made(20000);
    for (void*& block : made) block = attr_recycler::Allocate(kSize);
    size_t kept = 0;
    std::thread freer([&] {
        for (void* block : made) attr_recycler::Release(block, kSize);
        kept = attr_recycler::KeptOnThisThread(kSize);
    });
    freer.join();
    EXPECT_LE(kept, 4096u);
}

}  // namespace
