// The program itself, started as a process: the demo's temporary settings
// folder is gone after a SIGTERM as after a close.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;
namespace fs = std::filesystem;

namespace {

int DemoFolders(const fs::path& dir)
{
    int n = 0;
    for (const auto& entry : fs::directory_iterator(dir))
        n += entry.path().filename().string().rfind("zt-demo-", 0) == 0;
    return n;
}

} // namespace

TEST(Program, DemoEndedBySigterm_RemovesItsSettingsFolder)
{
    char pattern[] = "/tmp/zt-program-XXXXXX";
    const fs::path tmp = ::mkdtemp(pattern);
    ::setenv("TMPDIR", tmp.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char program[] = ZT_CONFIGURATOR_PATH;
    char demo[] = "--demo";
    char* argv[] = {program, demo, nullptr};
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, program, &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);

    // The first line tells the simulated meter's port: the folder exists by then.
    std::string text;
    pollfd pfd{out[0], POLLIN, 0};
    while (text.find('\n') == std::string::npos && ::poll(&pfd, 1, 20000) > 0) {
        char buffer[256];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, size_t(n));
    }
    EXPECT_NE(text.find("Simulated meter on 127.0.0.1:"), std::string::npos) << text;
    EXPECT_EQ(DemoFolders(tmp), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    ::kill(pid, SIGTERM);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << "the program did not end within 10 s of SIGTERM";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::close(out[0]);
    EXPECT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
    EXPECT_EQ(DemoFolders(tmp), 0);
    fs::remove_all(tmp);
}
