#pragma once

#include <string>
#include <string_view>

// A PostgreSQL server of the test process's own (tools/scratch-postgres.sh): made in a
// temporary folder on first use, reached by its Unix socket only, removed when the
// process ends.
class ScratchPostgres
{
public:
    static ScratchPostgres &shared();

    // A new empty database on the server, as a store address.
    std::string fresh_database(std::string_view name);
    // Down and up again, keeping its data: for workers that must wait it out.
    void stop();
    void start();

    ScratchPostgres(const ScratchPostgres &) = delete;
    ScratchPostgres &operator=(const ScratchPostgres &) = delete;

private:
    ScratchPostgres();
    ~ScratchPostgres();

    std::string folder_;
    std::string address_; // of its maintenance database
};
