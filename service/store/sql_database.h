#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

// One face over the two databases a crawl can be kept in: an SQLite file on one machine, a
// PostgreSQL server shared by several. The SQL is written once, with `?` and `:name`
// parameters as SQLite numbers them; the server's connection renumbers them ($1, $2 …).
namespace seo::sql {

enum class Engine { sqlite, postgresql };

using Value = std::variant<std::nullptr_t, std::int64_t, double, std::string>;

// What a column of a row holds, for rows given on as they are (JSON, CSV).
enum class Kind { null, integer, real, text };

// What the database said when a statement failed.
class Error : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The database could not be reached (a server down or restarting, a connection cut): worth
// trying again later, unlike a statement the database refused.
class Unreachable : public Error
{
public:
    using Error::Error;
};

// One statement's run on one connection, as the engine gives it.
class Cursor
{
public:
    virtual ~Cursor() = default;
    virtual void bind(int index, const Value &value) = 0; // 1-based
    virtual bool step() = 0; // the statement runs on the first step
    virtual void reset() = 0; // to run again, parameters kept until bound anew
    virtual bool is_null(int column) const = 0; // 0-based
    virtual std::int64_t integer(int column) const = 0;
    virtual double real(int column) const = 0;
    virtual std::string text(int column) const = 0;
    virtual std::size_t changes() const = 0; // rows the last run inserted, updated or deleted
    virtual int columns() const = 0;
    virtual std::string column_name(int column) const = 0;
    virtual Kind kind(int column) const = 0;
};

class Database
{
public:
    virtual ~Database() = default;
    virtual Engine engine() const = 0;
    virtual std::unique_ptr<Cursor> prepare(const std::string &sql) = 0;
    // Statements without parameters, separated by semicolons.
    virtual void execute_script(const std::string &sql) = 0;
    virtual bool has_table(std::string_view name) = 0;
    // `writing` takes the write lock at once where the engine has one, so that two writers
    // never both read and then both fail to write.
    virtual void begin(bool writing) = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    // Where it is, with no password, for messages.
    virtual std::string location() const = 0;
};

// A file path, or a postgresql:// (postgres://) address. A file that is not there is made
// when `create` says so, else the store counts as absent (nullptr).
std::unique_ptr<Database> open_database(const std::string &location, bool create = true);
bool is_server_address(std::string_view location);

// A statement with its parameters, run and read step by step:
//     Statement row(db, "SELECT title FROM pages WHERE id = ?");
//     row.bind(1, id);
//     while (row.step()) use(row.text(0));
class Statement
{
public:
    Statement(Database &database, const std::string &sql);

    template<typename Integer>
    requires std::is_integral_v<Integer> Statement &bind(int index, Integer value)
    {
        return bind_value(index, static_cast<std::int64_t>(value));
    }
    Statement &bind(int index, double value) { return bind_value(index, value); }
    Statement &bind(int index, std::string_view text) { return bind_value(index, std::string(text)); }
    Statement &bind(int index, const char *text) { return bind(index, std::string_view(text)); }
    Statement &bind(int index, const std::string &text) { return bind_value(index, text); }
    Statement &bind(int index, std::nullptr_t) { return bind_value(index, nullptr); }
    template<typename Figure>
    Statement &bind(int index, const std::optional<Figure> &figure)
    {
        return figure ? bind(index, *figure) : bind(index, nullptr);
    }
    // A :name parameter; every place it appears.
    template<typename Any>
    Statement &bind(std::string_view name, Any &&value)
    {
        return bind(index_of(name), std::forward<Any>(value));
    }

    bool has_parameter(std::string_view name) const;

    bool step() { return cursor_->step(); }
    // Runs to its end; the rows it changed.
    std::size_t execute();
    void reset() { cursor_->reset(); }

    bool is_null(int column) const { return cursor_->is_null(column); }
    std::int64_t integer(int column) const { return cursor_->integer(column); }
    double real(int column) const { return cursor_->real(column); }
    std::string text(int column) const { return cursor_->text(column); }
    std::optional<std::int64_t> optional_integer(int column) const;
    int columns() const { return cursor_->columns(); }
    std::string column_name(int column) const { return cursor_->column_name(column); }
    Kind kind(int column) const { return cursor_->kind(column); }

private:
    Statement &bind_value(int index, const Value &value);
    int index_of(std::string_view name) const;

    std::vector<std::string> names_; // by index - 1; empty for `?`
    std::unique_ptr<Cursor> cursor_;
};

// The database's clock in milliseconds since 1970, as an SQL expression: the one clock all
// workers agree on, whatever their own say.
const char *now_ms(Engine engine);
// What a SELECT that claims rows ends with: on a server, rows another transaction holds are
// passed over instead of waited for; SQLite has one writer at a time anyway.
const char *skip_locked(Engine engine);

// The first row's first column of a query without parameters.
std::int64_t integer_of(Database &database, const std::string &sql);

// Rolled back unless committed.
class Transaction
{
public:
    enum Kind { reading, writing };
    explicit Transaction(Database &database, Kind kind = writing);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    Database &database_;
    bool open_ = true;
};

} // namespace seo::sql
