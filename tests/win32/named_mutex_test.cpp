#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "temp_folder.h"
#include "win32_sync.h"

extern char** environ;

namespace {

constexpr const char* kProgramName = "Don't   run   again";

// The helper process, with pipes to its standard input and output.
class Helper {
public:
    Helper(const char* name, const char* mode) {
        int in[2], out[2];
        EXPECT_EQ(pipe(in), 0);
        EXPECT_EQ(pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        char* argv[] = {const_cast<char*>(ORVA_MUTEX_HELPER), const_cast<char*>(name),
                        const_cast<char*>(mode), nullptr};
        EXPECT_EQ(posix_spawn(&m_pid, ORVA_MUTEX_HELPER, &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        m_stdin = in[1];
        m_stdout = out[0];
    }
    ~Helper() {
        if (m_stdin >= 0) close(m_stdin);
        close(m_stdout);
        Wait();
    }

    // The helper's verdict: "new" or "exists" ("" when it died first).
    std::string Answer() {
        std::string text;
        char c;
        while (read(m_stdout, &c, 1) == 1 && c != '\n') text += c;
        return text;
    }
    void Release() {
        close(m_stdin);
        m_stdin = -1;
        Wait();
    }
    void Kill() {
        kill(m_pid, SIGKILL);
        Wait();
    }
    int Wait() {
        if (m_pid > 0) {
            waitpid(m_pid, &m_status, 0);
            m_pid = 0;
        }
        return m_status;
    }

private:
    pid_t m_pid = 0;
    int m_status = 0;
    int m_stdin = -1;
    int m_stdout = -1;
};

class NamedMutex : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = orva::testing::MakeTempFolder("orva-mutex-test");
        ASSERT_FALSE(m_dir.empty());
        if (const char* old = getenv("XDG_RUNTIME_DIR")) m_oldRuntime = old;
        setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
    }
    void TearDown() override {
        if (m_oldRuntime.empty()) {
            unsetenv("XDG_RUNTIME_DIR");
        } else {
            setenv("XDG_RUNTIME_DIR", m_oldRuntime.c_str(), 1);
        }
        std::filesystem::remove_all(m_dir);
    }
    std::string m_dir;
    std::string m_oldRuntime;
};

// CreateMutexA, answering whether the name already existed.
bool Exists(HANDLE& h, const char* name) {
    SetLastError(ERROR_ALREADY_EXISTS);  // must not leak through
    h = CreateMutexA(nullptr, TRUE, name);
    EXPECT_NE(h, nullptr);
    return GetLastError() == ERROR_ALREADY_EXISTS;
}

TEST_F(NamedMutex, SecondProcessSeesTheFirstOnesName) {
    HANDLE mine;
    EXPECT_FALSE(Exists(mine, kProgramName));
    {
        Helper other(kProgramName, "probe");
        EXPECT_EQ(other.Answer(), "exists");
        EXPECT_EQ(other.Wait(), 0);
    }
    {
        Helper other("Some other name", "probe");
        EXPECT_EQ(other.Answer(), "new");
    }
    EXPECT_TRUE(CloseHandle(mine));
    Helper again(kProgramName, "probe");
    EXPECT_EQ(again.Answer(), "new");
}

TEST_F(NamedMutex, FirstProcessHoldsItUntilItEndsOrDies) {
    HANDLE h;
    {
        Helper holder(kProgramName, "hold");
        ASSERT_EQ(holder.Answer(), "new");
        EXPECT_TRUE(Exists(h, kProgramName));
        EXPECT_TRUE(CloseHandle(h));
        EXPECT_TRUE(Exists(h, kProgramName));  // still held by the helper
        CloseHandle(h);
        holder.Release();
    }
    EXPECT_FALSE(Exists(h, kProgramName));
    CloseHandle(h);
    {
        Helper holder(kProgramName, "hold");
        ASSERT_EQ(holder.Answer(), "new");
        holder.Kill();  // its lock file stays behind, its lock does not
    }
    EXPECT_FALSE(Exists(h, kProgramName));
    CloseHandle(h);
}

TEST_F(NamedMutex, HandlesInOneProcessAndOddNames) {
    HANDLE a, b, c;
    EXPECT_FALSE(Exists(a, kProgramName));
    EXPECT_TRUE(Exists(b, kProgramName));
    EXPECT_FALSE(Exists(c, "Don't run again"));  // blanks count
    EXPECT_TRUE(CloseHandle(a));
    EXPECT_TRUE(Exists(a, kProgramName));  // b is still open
    CloseHandle(a);
    CloseHandle(b);
    CloseHandle(c);
    EXPECT_FALSE(Exists(a, kProgramName));
    CloseHandle(a);

    const std::string longName(400, '/');
    EXPECT_FALSE(Exists(a, longName.c_str()));
    EXPECT_TRUE(Exists(b, longName.c_str()));
    EXPECT_FALSE(Exists(c, "../../escape"));
    CloseHandle(a);
    CloseHandle(b);
    CloseHandle(c);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_dir)) {
        if (!entry.is_regular_file()) continue;
        EXPECT_EQ(entry.path().parent_path(), std::filesystem::path(m_dir) / "orva-fg" / "mutex");
    }
    EXPECT_FALSE(Exists(a, nullptr));  // unnamed
    EXPECT_FALSE(Exists(b, nullptr));
    CloseHandle(a);
    CloseHandle(b);
}

}  // namespace
