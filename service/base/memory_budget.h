#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <stdexcept>

namespace seo {

// The service has no memory to spare for a request within its patience, or is stopping:
// the request is answered 503, and nothing of it is kept.
struct ServiceBusy : std::runtime_error
{
    ServiceBusy()
        : std::runtime_error("分析服务繁忙，请稍后再试")
    {}
};

// Bytes the service may hold at once for one kind of work (pages being fetched, pages
// being analysed, answers being sent). Work asks for the bytes it may come to hold
// before it holds them, and waits its turn while they are taken: first come, first
// served, so a large request is not passed over for ever by small ones; but a small
// request (at most a sixteenth of the budget) that fits goes at once, so small pages do
// not wait behind large ones.
class MemoryBudget
{
public:
    explicit MemoryBudget(std::size_t bytes);
    MemoryBudget(const MemoryBudget &) = delete;
    MemoryBudget &operator=(const MemoryBudget &) = delete;

    // Bytes held from a budget until it is destroyed or given back.
    class Reservation
    {
    public:
        Reservation() = default;
        Reservation(Reservation &&other) noexcept;
        Reservation &operator=(Reservation &&other) noexcept;
        ~Reservation();

        std::size_t bytes() const { return bytes_; }
        // Gives back what is held beyond `bytes`.
        void shrink_to(std::size_t bytes);

    private:
        friend class MemoryBudget;
        Reservation(MemoryBudget *budget, std::size_t bytes);

        MemoryBudget *budget_ = nullptr;
        std::size_t bytes_ = 0;
    };

    // Waits until `bytes` are free; more than the whole budget is granted once the budget
    // is otherwise unused. Nothing when `deadline` passes first.
    std::optional<Reservation>
    reserve(std::size_t bytes,
            std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max());
    // Makes a reservation of this budget hold `bytes` in all, waiting as reserve() does;
    // false, with the reservation unchanged, when `deadline` passes first.
    bool grow(Reservation &held, std::size_t bytes, std::chrono::steady_clock::time_point deadline);
    // The same without waiting, for work under way: whatever is free now, even while
    // others wait, since the work that holds it is ahead of them.
    bool try_grow(Reservation &held, std::size_t bytes);

    std::size_t capacity() const { return capacity_; }
    std::size_t in_use() const;
    std::size_t waiting() const; // requests waiting their turn

private:
    void give_back(std::size_t bytes);

    const std::size_t capacity_;
    const std::size_t small_bytes_;
    mutable std::mutex mutex_;
    std::condition_variable freed_;
    std::size_t in_use_ = 0;
    std::uint64_t next_ticket_ = 0;
    std::deque<std::uint64_t> waiting_; // tickets in arrival order; the first one's turn
};

} // namespace seo
