// The seo-site program as the desktop tool runs it: a child process announcing its port.
#include "target_server.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace {

class SiteProcess
{
public:
    explicit SiteProcess(std::vector<std::string> arguments)
    {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        arguments.insert(arguments.begin(), SEO_SITE_EXECUTABLE);
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid_, SEO_SITE_EXECUTABLE, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        output_ = fds[0];
    }

    ~SiteProcess()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(output_);
    }

    std::string first_line()
    {
        std::string line;
        char c = 0;
        while (read(output_, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }

    std::string rest_of_output()
    {
        std::string text;
        char buffer[256];
        for (ssize_t n; (n = read(output_, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<std::size_t>(n));
        return text;
    }

    int stop_with(int signal_number)
    {
        kill(pid_, signal_number);
        return exit_status();
    }

    // Waits for the end: the exit status, or -1 when the process did not exit normally.
    int exit_status()
    {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int output_ = -1;
};

TEST(Executable, AnnouncesItsPortServesAndStopsOnSignals)
{
    for (const int signal_number : {SIGTERM, SIGINT}) {
        SiteProcess site({"--port", "0", "--newest-version", "9.4"});
        const std::string line = site.first_line();
        const std::string prefix = "seo-site listening on http://127.0.0.1:";
        ASSERT_TRUE(line.starts_with(prefix) && line.ends_with("/")) << line;
        const std::string port = line.substr(prefix.size(), line.size() - prefix.size() - 1);
        ASSERT_EQ(port.find_first_not_of("0123456789"), std::string::npos) << line;
        const auto result = get_local(std::stoi(port), "/veltro/shenji.txt");
        ASSERT_TRUE(result);
        EXPECT_EQ(result->body, "9.4\r\n");
        EXPECT_EQ(site.stop_with(signal_number), 0);
        EXPECT_EQ(site.rest_of_output(), "");  // exactly one line on stdout
    }
}

TEST(Executable, RejectsBadOptions)
{
    SiteProcess site({"--port", "many"});
    EXPECT_EQ(site.first_line(), "");
    EXPECT_EQ(site.exit_status(), 2);
}

}  // namespace
