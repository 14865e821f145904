#include "base/memory_budget.h"

#include <algorithm>
#include <utility>

namespace seo {

MemoryBudget::MemoryBudget(std::size_t bytes)
    : capacity_(bytes)
    , small_bytes_(bytes / 16)
{}

std::optional<MemoryBudget::Reservation> MemoryBudget::reserve(std::size_t bytes,
                                                               std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock lock(mutex_);
    const std::uint64_t ticket = next_ticket_++;
    waiting_.push_back(ticket);
    const auto my_turn = [&] {
        const bool fits = in_use_ + bytes <= capacity_;
        return (waiting_.front() == ticket && (fits || in_use_ == 0)) || (bytes <= small_bytes_ && fits);
    };
    bool granted = true;
    if (deadline == std::chrono::steady_clock::time_point::max())
        freed_.wait(lock, my_turn);
    else
        granted = freed_.wait_until(lock, deadline, my_turn);
    waiting_.erase(std::find(waiting_.begin(), waiting_.end(), ticket));
    if (granted)
        in_use_ += bytes;
    // Whoever is next in line may go now, or may fit beside us.
    freed_.notify_all();
    if (!granted)
        return std::nullopt;
    return Reservation(this, bytes);
}

bool MemoryBudget::grow(Reservation &held, std::size_t bytes, std::chrono::steady_clock::time_point deadline)
{
    if (bytes <= held.bytes_)
        return true;
    std::optional<Reservation> more = reserve(bytes - held.bytes_, deadline);
    if (!more)
        return false;
    held.budget_ = this;
    held.bytes_ += std::exchange(more->bytes_, 0);
    return true;
}

bool MemoryBudget::try_grow(Reservation &held, std::size_t bytes)
{
    if (bytes <= held.bytes_)
        return true;
    const std::lock_guard lock(mutex_);
    const std::size_t more = bytes - held.bytes_;
    if (in_use_ + more > capacity_)
        return false;
    in_use_ += more;
    held.budget_ = this;
    held.bytes_ = bytes;
    return true;
}

std::size_t MemoryBudget::in_use() const
{
    const std::lock_guard lock(mutex_);
    return in_use_;
}

std::size_t MemoryBudget::waiting() const
{
    const std::lock_guard lock(mutex_);
    return waiting_.size();
}

void MemoryBudget::give_back(std::size_t bytes)
{
    {
        const std::lock_guard lock(mutex_);
        in_use_ -= bytes;
    }
    freed_.notify_all();
}

MemoryBudget::Reservation::Reservation(MemoryBudget *budget, std::size_t bytes)
    : budget_(budget)
    , bytes_(bytes)
{}

MemoryBudget::Reservation::Reservation(Reservation &&other) noexcept
    : budget_(std::exchange(other.budget_, nullptr))
    , bytes_(std::exchange(other.bytes_, 0))
{}

MemoryBudget::Reservation &MemoryBudget::Reservation::operator=(Reservation &&other) noexcept
{
    if (this != &other) {
        shrink_to(0);
        budget_ = std::exchange(other.budget_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
}

MemoryBudget::Reservation::~Reservation()
{
    shrink_to(0);
}

void MemoryBudget::Reservation::shrink_to(std::size_t bytes)
{
    if (!budget_ || bytes >= bytes_)
        return;
    budget_->give_back(bytes_ - bytes);
    bytes_ = bytes;
}

} // namespace seo
