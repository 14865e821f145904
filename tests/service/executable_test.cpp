// The seo-site program as the desktop tool runs it: a child process announcing its port.
#include "target_server.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// Runs seo-site with `arguments`, hands its first stdout line to `announced` and sends it the
// signal that returns. Gives back the exit status (-1 when it did not exit) and all of stdout.
std::pair<int, std::string> run_site(std::vector<const char *> arguments,
                                     const std::function<int(const std::string &)> &announced)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {-1, "no pipe"};
    arguments.insert(arguments.begin(), SEO_SITE_EXECUTABLE);
    arguments.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        execv(SEO_SITE_EXECUTABLE, const_cast<char *const *>(arguments.data()));
        _exit(127);
    }
    close(fds[1]);
    std::string output;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        output += c;
    const int signal_number = announced(output);
    int status = -1;
    if (pid > 0) {
        kill(pid, signal_number);
        char buffer[256];
        for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
            output.append(buffer, static_cast<std::size_t>(n));
        waitpid(pid, &status, 0);
    }
    close(fds[0]);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(Executable, AnnouncesItsPortServesAndStopsOnSignalsOrRefusesBadOptions)
{
    for (const int signal_number : {SIGTERM, SIGINT}) {
        const std::string prefix = "seo-site listening on http://127.0.0.1:";
        std::string line;
        const auto announced = [&](const std::string &first) {
            line = first;
            bool served = false;
            if (first.starts_with(prefix) && first.ends_with("/")) {
                const auto result = get_local(std::atoi(first.c_str() + prefix.size()), "/veltro/shenji.txt");
                served = result && result->body == "9.4\r\n";
            }
            EXPECT_TRUE(served) << first;
            return served ? signal_number : SIGKILL;
        };
        const auto [status, output] = run_site({"--port", "0", "--newest-version", "9.4"}, announced);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(output, line) << "exactly one line on stdout";
        EXPECT_EQ(line.find_first_not_of("0123456789", prefix.size()), line.size() - 1) << line;
    }
    // Bad options end it at once, with nothing on stdout.
    EXPECT_EQ(run_site({"--port", "many"}, [](const std::string &) { return 0; }),
              std::make_pair(2, std::string()));
}

} // namespace
