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

}  // namespace
