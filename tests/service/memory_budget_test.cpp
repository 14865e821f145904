#include "base/memory_budget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Whether `count` requests are waiting their turn within a few seconds.
bool waiters(const seo::MemoryBudget &budget, std::size_t count)
{
    const auto deadline = Clock::now() + 5s;
    while (budget.waiting() < count && Clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    return budget.waiting() == count;
}

TEST(MemoryBudget, GrantsWhatIsFreeAndTakesBackWhatIsGiven)
{
    seo::MemoryBudget budget(100);
    auto a = budget.reserve(60);
    ASSERT_TRUE(a);
    EXPECT_FALSE(budget.reserve(50, Clock::now() + 20ms)); // 40 left
    a->shrink_to(10);
    EXPECT_EQ(budget.in_use(), 10u);
    auto b = budget.reserve(90, Clock::now() + 20ms);
    ASSERT_TRUE(b);
    b.reset();
    a.reset();
    EXPECT_EQ(budget.in_use(), 0u);
    // More than the whole budget is granted once nothing else holds any.
    EXPECT_TRUE(budget.reserve(500, Clock::now() + 20ms));
}

TEST(MemoryBudget, ServesInArrivalOrderSoLargeRequestsAreNotPassedOver)
{
    seo::MemoryBudget budget(100);
    auto held = budget.reserve(80);
    std::vector<int> order;
    std::mutex mutex;
    const auto take = [&](int name, std::size_t bytes) {
        auto memory = budget.reserve(bytes);
        const std::lock_guard lock(mutex);
        order.push_back(name);
    };
    std::jthread large([&] { take(1, 90); });
    ASSERT_TRUE(waiters(budget, 1));
    std::jthread small([&] { take(2, 20); }); // would fit now, but waits its turn
    EXPECT_TRUE(waiters(budget, 2));
    {
        const std::lock_guard lock(mutex);
        EXPECT_TRUE(order.empty());
    }
    held.reset();
    large.join();
    small.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(MemoryBudget, ARequestThatGivesUpLetsTheNextOneGo)
{
    seo::MemoryBudget budget(100);
    auto held = budget.reserve(50);
    std::atomic<bool> small_granted = false;
    std::jthread impatient([&] { EXPECT_FALSE(budget.reserve(80, Clock::now() + 100ms)); });
    ASSERT_TRUE(waiters(budget, 1));
    std::jthread small([&] { small_granted = budget.reserve(40).has_value(); }); // behind it
    impatient.join();
    small.join();
    EXPECT_TRUE(small_granted);
}

// Small requests (a sixteenth of the budget at most) that fit go at once: a small page
// does not wait behind a large one.
TEST(MemoryBudget, SmallRequestsThatFitDoNotWaitBehindLargeOnes)
{
    seo::MemoryBudget budget(1600);
    auto held = budget.reserve(1000);
    std::atomic<bool> large_granted = false;
    std::jthread large([&] { large_granted = budget.reserve(900).has_value(); });
    ASSERT_TRUE(waiters(budget, 1));
    EXPECT_TRUE(budget.reserve(100, Clock::now() + 5s)); // a sixteenth: goes past the large one
    EXPECT_FALSE(budget.reserve(101, Clock::now() + 20ms)); // more: waits its turn
    EXPECT_FALSE(large_granted);
    held.reset();
    large.join();
    EXPECT_TRUE(large_granted);
}

TEST(MemoryBudget, AReservationGrowsAsItsWorkNeedsMore)
{
    seo::MemoryBudget budget(100);
    seo::MemoryBudget::Reservation fetch; // nothing held until bytes come
    EXPECT_TRUE(budget.try_grow(fetch, 30));
    EXPECT_TRUE(budget.grow(fetch, 60, Clock::now() + 20ms));
    EXPECT_EQ(fetch.bytes(), 60u);
    EXPECT_EQ(budget.in_use(), 60u);
    EXPECT_FALSE(budget.try_grow(fetch, 110)); // only what is free
    EXPECT_FALSE(budget.grow(fetch, 110, Clock::now() + 20ms));
    EXPECT_EQ(fetch.bytes(), 60u); // unchanged by a refusal
    auto other = budget.reserve(40);
    ASSERT_TRUE(other);
    std::jthread waiting([&] { EXPECT_TRUE(budget.grow(fetch, 90, Clock::now() + 5s)); });
    ASSERT_TRUE(waiters(budget, 1));
    other->shrink_to(30); // 90 held: the 30 more it waits for do not fit yet
    EXPECT_TRUE(budget.try_grow(*other, 35)); // work under way goes first, while it fits
    EXPECT_EQ(budget.waiting(), 1u);
    other.reset();
    waiting.join();
    EXPECT_EQ(budget.in_use(), 90u);
    fetch = {};
    EXPECT_EQ(budget.in_use(), 0u);
}

} // namespace
