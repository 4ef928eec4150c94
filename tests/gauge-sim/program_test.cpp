// The gauge-sim program as a user or a script runs it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "slave_port.h"
#include "temp_folder.h"

using gauge_sim_test::SlavePort;

constexpr unsigned char kConnect[8] = {0xFC, 0x33, 0x00, 0x08, 0x3F, 0x3F, 0xC0, 0x1A};

namespace {

struct Child {
    pid_t pid = -1;
    FILE* out = nullptr;

    std::string Line() {
        char buf[512];
        if (!out || !std::fgets(buf, sizeof buf, out)) return {};
        std::string s = buf;
        if (!s.empty() && s.back() == '\n') s.pop_back();
        return s;
    }
    int Stop(int sig) {
        if (pid < 0) return -1;
        ::kill(pid, sig);
        return Wait();
    }
    int Wait() {
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
        if (out) std::fclose(out);
        out = nullptr;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    ~Child() {
        if (pid > 0) Stop(SIGKILL);
    }
};

// The child's runtime folder is runDir, so it registers its port in runDir/orva-fg/ports.
Child Start(std::vector<std::string> args, const std::string& runDir) {
    // Everything the child needs is built before fork: after it only async-signal-safe calls.
    static std::string program = GAUGE_SIM_PROGRAM;
    std::vector<char*> argv{program.data()};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env{"XDG_RUNTIME_DIR=" + runDir};
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "XDG_RUNTIME_DIR=", 16) != 0) env.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    int fds[2];
    Child c;
    if (::pipe(fds) != 0) return c;
    c.pid = ::fork();
    if (c.pid == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        ::close(fds[1]);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    c.out = ::fdopen(fds[0], "r");
    return c;
}

class GaugeSimProgram : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = orva::testing::MakeTempFolder("gauge-sim-program");
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Ports() const { return dir_ + "/orva-fg/ports"; }
    bool DirEmpty() const { return !std::filesystem::exists(Ports()) || std::filesystem::is_empty(Ports()); }
    std::string dir_;
};

TEST_F(GaugeSimProgram, HelpNamesEveryOption) {
    Child c = Start({"--help"}, dir_);
    std::string text, line;
    while (!(line = c.Line()).empty() || !std::feof(c.out)) text += line + "\n";
    EXPECT_EQ(c.Wait(), 0);
    for (const char* option :
         {"--profile", "ramp", "hold", "break", "noise", "constant", "sequence", "--unit", "--unit-code",
          "--lf", "--records", "--records-per-frame", "--register", "--silent", "--bad-crc",
          "--garbage-every", "--split", "--drop-every", "--unplug-after"}) {
        EXPECT_NE(text.find(option), std::string::npos) << option;
    }
}

TEST_F(GaugeSimProgram, BadArgumentsAreRefused) {
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{{"--profile", "zigzag"},
                                                                               {"--records", "1000"},
                                                                               {"--peak", "x"},
                                                                               {"--bogus"},
                                                                               {"--profile", "sequence"}}) {
        Child c = Start(args, dir_);
        EXPECT_EQ(c.Wait(), 2) << args[0];
    }
}

TEST_F(GaugeSimProgram, RegistersServesAndCleansUpOnSignals) {
    for (int sig : {SIGTERM, SIGINT}) {
        Child c = Start({"--register", "--profile", "ramp", "--start", "5", "--slope", "2", "--decimals", "1",
                         "--unit-code", "112", "--lf"},
                        dir_);
        const std::string path = c.Line();
        const std::string com = c.Line();
        ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
        EXPECT_EQ(com, "COM97");
        EXPECT_TRUE(std::filesystem::exists(Ports() + "/COM97"));

        SlavePort port(path);
        ASSERT_TRUE(port.ok());
        ASSERT_TRUE(port.Write("??"));
        EXPECT_EQ(port.ReadUntil('\n'), "5.0 MPa\r\n");
        EXPECT_EQ(port.ReadUntil('\n'), "7.0 MPa\r\n");

        EXPECT_EQ(c.Stop(sig), 0);
        EXPECT_TRUE(DirEmpty()) << sig;
    }
}

TEST_F(GaugeSimProgram, UploadAndUnplugAfter) {
    // The terminal goes away 0.3 s after the program named it. A busy machine may let that come
    // before the test has been answered, which shows nothing: the program is run again, a few
    // times at most.
    bool served = false;
    for (int run = 0; run < 5 && !served; ++run) {
        Child c = Start({"--records", "3", "--records-per-frame", "2", "--unplug-after", "0.3"}, dir_);
        const std::string path = c.Line();
        ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
        SlavePort port(path);
        if (!port.ok() || !port.Write(std::begin(kConnect), sizeof kConnect)) {
            EXPECT_EQ(c.Stop(SIGTERM), 0);
            continue;
        }
        auto f = gauge_sim_test::ReadFrame(port);
        if (f) {
            served = true;
            EXPECT_TRUE(f->crcOk);
            EXPECT_EQ(f->payload.size(), 14u);
        }
        // Then the terminal goes away while the program still holds it.
        bool ended = false;
        for (int i = 0; i < 10 && !ended; ++i) {
            auto chunk = port.ReadSome();
            ASSERT_FALSE(chunk.timedOut);
            ended = chunk.eof;
        }
        EXPECT_TRUE(ended);
        EXPECT_EQ(c.Stop(SIGTERM), 0);
    }
    EXPECT_TRUE(served) << "the terminal went away before each request was answered";
}

}  // namespace
