#pragma once

#include <array>
#include <limits>
#include <string_view>

namespace seo {

enum class Verdict { pass, warn, fail, info };

// One check of the audit. Its verdict compares what it measures with `low` and `high`
// where it has them (a measure below `low` or above `high` is out of bounds); the help
// page lists every row, and every finding takes its group and its check from its row.
struct CheckSpec
{
    static constexpr double kNone = std::numeric_limits<double>::infinity();

    std::string_view id; // stable, for scripts: "snippet.title"
    std::string_view group; // the heading it is shown under
    std::string_view check; // what is checked
    std::string_view rule; // which findings give which verdict
    double low = -kNone;
    double high = kNone;
    std::string_view unit = {}; // of low and high
    std::string_view source = {}; // where the limits come from

    // Within the limits passes, above them is a warning, below them `when_below`.
    Verdict judge(double measure, Verdict when_below = Verdict::warn) const
    {
        return measure < low ? when_below : measure > high ? Verdict::warn : Verdict::pass;
    }
};

// Every check, in the order the audit reports them.
extern const std::array<CheckSpec, 34> kChecks;

// The row of a check; a check that is not in the table is a programming error (it throws).
const CheckSpec &check_spec(std::string_view id);

} // namespace seo
