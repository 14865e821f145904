#include "service/scratch_postgres.h"

#include "store/sql_database.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <unistd.h>

namespace {

std::string script(const std::string &command, const std::string &folder)
{
    const std::string line = std::string(SEO_SCRATCH_POSTGRES) + ' ' + command + ' ' + folder;
    std::unique_ptr<FILE, decltype(&pclose)> output(popen(line.c_str(), "r"), &pclose);
    if (!output)
        throw std::runtime_error("cannot run " + line);
    std::string said;
    std::array<char, 512> buffer{};
    while (std::fgets(buffer.data(), int(buffer.size()), output.get()))
        said += buffer.data();
    if (pclose(output.release()) != 0)
        throw std::runtime_error(line + " failed: " + said);
    while (!said.empty() && said.back() == '\n')
        said.pop_back();
    return said;
}

} // namespace

ScratchPostgres &ScratchPostgres::shared()
{
    static ScratchPostgres server;
    return server;
}

ScratchPostgres::ScratchPostgres()
{
    // Straight under /tmp: the server's own user (when the tests run as root) must reach it.
    char folder[] = "/tmp/seo-postgres-XXXXXX";
    if (!mkdtemp(folder))
        throw std::runtime_error("cannot make a folder for PostgreSQL");
    folder_ = folder;
    address_ = script("start", folder_);
}

ScratchPostgres::~ScratchPostgres()
{
    try {
        script("remove", folder_);
    } catch (const std::exception &) { // a test that failed may have left it stopped
    }
}

std::string ScratchPostgres::fresh_database(std::string_view name)
{
    const std::string database = std::string(name) + "_" + std::to_string(getpid());
    const auto server = seo::sql::open_database(address_);
    server->execute_script("DROP DATABASE IF EXISTS " + database);
    server->execute_script("CREATE DATABASE " + database);
    return "postgresql:///" + database + address_.substr(address_.find('?'));
}

void ScratchPostgres::stop()
{
    script("stop", folder_);
}

void ScratchPostgres::start()
{
    script("start", folder_);
}
