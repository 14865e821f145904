#include "read/html_tree.h"

#include "base/memory_cost.h"

#include <gumbo.h>

#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace seo {

ParseBudget ParseBudget::for_page(std::size_t page_bytes)
{
    // Measured here: real pages parse at 9 to 12 MiB/s, markup-dense ones (a table, a list,
    // syntax-highlighted source) at 7.
    return {std::chrono::milliseconds(250 + 150 * page_bytes / memory_cost::kMiB),
            memory_cost::parse_limit(page_bytes)};
}

// Memory handed out by bumping a pointer through chunks taken from malloc; nothing is
// given back before the whole arena goes. gumbo frees little while it parses (its peak
// is within a few percent of all it ever asks for), so nothing is lost by that.
class ParseArena
{
public:
    explicit ParseArena(std::size_t limit)
        : limit_(limit)
    {}
    ~ParseArena()
    {
        while (chunks_) {
            Chunk *next = chunks_->next;
            std::free(chunks_);
            chunks_ = next;
        }
    }
    ParseArena(const ParseArena &) = delete;
    ParseArena &operator=(const ParseArena &) = delete;

    // From the current chunk, or nullptr when it has no room left.
    void *bump(std::size_t bytes)
    {
        bytes = (bytes + kAlign - 1) & ~(kAlign - 1);
        if (static_cast<std::size_t>(end_ - next_) < bytes)
            return nullptr;
        void *memory = next_;
        next_ += bytes;
        return memory;
    }

    // How large the next chunk must be to hand out `bytes`; zero when over the limit.
    std::size_t next_chunk_size(std::size_t bytes) const
    {
        const std::size_t size = std::max(kChunkBytes, sizeof(Chunk) + bytes + kAlign);
        return used_ + size <= limit_ ? size : 0;
    }

    // Takes a block from malloc as the current chunk.
    void adopt(void *block, std::size_t size)
    {
        auto *chunk = static_cast<Chunk *>(block);
        chunk->next = chunks_;
        chunks_ = chunk;
        used_ += size;
        next_ = static_cast<char *>(block) + sizeof(Chunk);
        end_ = static_cast<char *>(block) + size;
    }

    std::size_t used() const { return used_; }

private:
    static constexpr std::size_t kAlign = alignof(std::max_align_t);
    static constexpr std::size_t kChunkBytes = 256 * 1024;
    struct alignas(std::max_align_t) Chunk
    {
        Chunk *next;
    };

    Chunk *chunks_ = nullptr;
    char *next_ = nullptr;
    char *end_ = nullptr;
    std::size_t limit_;
    std::size_t used_ = 0;
};

namespace {

// The CPU-time budget interrupts the parse with this signal, sent to the parsing thread.
constexpr int kOverrunSignal = SIGXCPU;

// One parse under way on this thread. gumbo keeps all its state in memory from the arena
// and takes no lock, so leaving it half way is safe, except while malloc runs: there the
// signal only leaves a note, which the allocator acts on once malloc has returned.
struct Session
{
    explicit Session(const ParseBudget &budget)
        : arena(std::make_unique<ParseArena>(budget.memory_bytes))
        , budget(budget)
        , granted(budget.memory_granted)
    {}

    std::unique_ptr<ParseArena> arena;
    const ParseBudget &budget;
    std::size_t granted;
    sigjmp_buf exit;
    volatile std::sig_atomic_t in_malloc = 0;
    volatile std::sig_atomic_t out_of_time = 0;
    // A signal may jump to `exit` only between these two: once it has been set, and before
    // gumbo has returned and the frame that set it is about to go.
    volatile std::sig_atomic_t armed = 0;
    volatile std::sig_atomic_t finished = 0;
};

thread_local Session *t_session = nullptr;

// The threads in a parse, so that a stopping service can end their parses at once.
std::mutex g_parsing_mutex;
std::vector<pthread_t> g_parsing;

// Registers the calling thread's parse for as long as it lives.
class ParsingThread
{
public:
    ParsingThread()
    {
        const std::lock_guard lock(g_parsing_mutex);
        g_parsing.push_back(pthread_self());
    }
    ~ParsingThread()
    {
        const std::lock_guard lock(g_parsing_mutex);
        g_parsing.erase(std::find(g_parsing.begin(), g_parsing.end(), pthread_self()));
    }
    ParsingThread(const ParsingThread &) = delete;
    ParsingThread &operator=(const ParsingThread &) = delete;
};

constexpr int kLeftForTime = 1;
constexpr int kLeftForMemory = 2;
constexpr int kLeftForNoMemoryNow = 3;

void on_cpu_time_spent(int)
{
    Session *session = t_session;
    if (!session || session->finished)
        return; // a late signal of a parse that has ended
    if (session->in_malloc || !session->armed) {
        session->out_of_time = 1; // acted on once malloc has returned, or the parse begins
        return;
    }
    siglongjmp(session->exit, kLeftForTime);
}

void *allocate(void *userdata, size_t bytes)
{
    Session &session = *static_cast<Session *>(userdata);
    if (void *memory = session.arena->bump(bytes))
        return memory;
    const std::size_t size = session.arena->next_chunk_size(bytes);
    if (size == 0)
        siglongjmp(session.exit, kLeftForMemory);
    // The signal must not leave malloc, nor the budget's lock, half way.
    session.in_malloc = 1;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    const std::size_t needed = session.arena->used() + size;
    bool granted = true;
    if (session.budget.more_memory && needed > session.granted) {
        granted = session.budget.more_memory(needed);
        if (granted)
            session.granted = needed;
    }
    void *block = granted ? std::malloc(size) : nullptr;
    if (block)
        session.arena->adopt(block, size);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    session.in_malloc = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (!granted)
        siglongjmp(session.exit, kLeftForNoMemoryNow);
    if (!block)
        siglongjmp(session.exit, kLeftForMemory);
    if (session.out_of_time)
        siglongjmp(session.exit, kLeftForTime);
    return session.arena->bump(bytes);
}

void deallocate(void *, void *) {}

void install_overrun_handler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action = {};
        action.sa_handler = on_cpu_time_spent;
        sigemptyset(&action.sa_mask);
        if (sigaction(kOverrunSignal, &action, nullptr) != 0)
            throw std::runtime_error("cannot install the parse time limit");
    });
}

// A timer on this thread's CPU time that sends it kOverrunSignal once `after` is spent.
class CpuTimeAlarm
{
public:
    explicit CpuTimeAlarm(std::chrono::nanoseconds after)
    {
        sigset_t signals;
        sigemptyset(&signals);
        sigaddset(&signals, kOverrunSignal);
        pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);

        sigevent event = {};
        event.sigev_notify = SIGEV_THREAD_ID;
        event.sigev_signo = kOverrunSignal;
        event._sigev_un._tid = gettid();
        if (timer_create(CLOCK_THREAD_CPUTIME_ID, &event, &timer_) != 0)
            throw std::runtime_error("cannot start the parse time limit");
        itimerspec when = {};
        when.it_value.tv_sec = static_cast<time_t>(after.count() / 1'000'000'000);
        when.it_value.tv_nsec = static_cast<long>(after.count() % 1'000'000'000);
        timer_settime(timer_, 0, &when, nullptr);
    }
    ~CpuTimeAlarm() { timer_delete(timer_); }
    CpuTimeAlarm(const CpuTimeAlarm &) = delete;
    CpuTimeAlarm &operator=(const CpuTimeAlarm &) = delete;

private:
    timer_t timer_ = {};
};

// Where a parse that passes its budget comes back to. Nothing between here and the
// allocator or the signal handler has a destructor to run.
int run_gumbo(Session &session, const GumboOptions &options, std::string_view html, GumboOutput *&output)
{
    if (const int left = sigsetjmp(session.exit, 1))
        return left;
    session.armed = 1;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (session.out_of_time)
        return kLeftForTime;
    output = gumbo_parse_with_options(&options, html.data(), html.size());
    session.finished = 1;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    return 0;
}

} // namespace

std::variant<HtmlTree, ParseOverrun> HtmlTree::parse(std::string_view utf8_html, const ParseBudget &budget)
{
    install_overrun_handler();
    Session session(budget);
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = allocate;
    options.deallocator = deallocate;
    options.userdata = &session;
    options.max_errors = 0; // parse errors are not used; recording them costs time

    GumboOutput *output = nullptr;
    int left = 0;
    {
        // Registered while no signal can leave this thread's code: its lock must not be
        // left held.
        const ParsingThread registered;
        t_session = &session;
        {
            const CpuTimeAlarm alarm(budget.cpu_time);
            left = run_gumbo(session, options, utf8_html, output);
        }
        t_session = nullptr;
    }
    if (left == kLeftForTime)
        return ParseOverrun::cpu_time;
    if (left == kLeftForMemory)
        return ParseOverrun::memory;
    if (left == kLeftForNoMemoryNow)
        return ParseOverrun::no_memory_now;
    return HtmlTree(std::move(session.arena), output->root);
}

HtmlTree::HtmlTree(std::unique_ptr<ParseArena> arena, const GumboInternalNode *root)
    : arena_(std::move(arena))
    , root_(root)
{}

HtmlTree::HtmlTree(HtmlTree &&) noexcept = default;
HtmlTree &HtmlTree::operator=(HtmlTree &&) noexcept = default;
HtmlTree::~HtmlTree() = default;

std::size_t HtmlTree::memory_bytes() const
{
    return arena_->used();
}

void abort_parses()
{
    const std::lock_guard lock(g_parsing_mutex);
    for (const pthread_t thread : g_parsing)
        pthread_kill(thread, kOverrunSignal);
}

} // namespace seo
