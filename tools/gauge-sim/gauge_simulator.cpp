// The simulator object: a pseudo-terminal and the thread that serves it.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "gauge_sim.h"
#include "port_table.h"
#include "request_parser.h"
#include "upload_session.h"

namespace orva::sim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxQueuedBytes = 1 << 20;  // replies nobody reads are dropped beyond this

// One write to the master; a split reply is two chunks, the second with a pause before it.
struct Chunk {
    std::string bytes;
    std::size_t written = 0;
    int pauseMs = 0;
    bool joinable = false;  // later joinable replies may be appended to it
    std::optional<Clock::time_point> due;
};

void SetRaw(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return;
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, B38400);
    ::cfsetospeed(&t, B38400);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    ::tcsetattr(fd, TCSANOW, &t);
}

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Takes one from a positive count; false when it was 0.
bool TakeOne(std::atomic<int>& count) {
    int n = count.load();
    while (n > 0) {
        if (count.compare_exchange_weak(n, n - 1)) return true;
    }
    return false;
}

}  // namespace

struct GaugeSimulator::State {
    explicit State(SimOptions o) : options(std::move(o)), wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~State() { CloseFd(wake); }

    const SimOptions options;
    std::mutex control;  // Open, Close, registration
    std::atomic<bool> open{false};
    int master = -1;
    int slave = -1;  // kept open so that the master never sees a hang-up
    int wake;        // lives as long as the simulator, so any thread may wake the server
    std::thread thread;
    std::atomic<bool> stop{false};

    std::atomic<bool> silent{false}, split{false}, record{false}, restartProfile{false};
    std::atomic<int> corrupt{0}, drop{0};
    std::atomic<std::uint64_t> requests{0}, lines{0}, frames{0}, resent{0}, connects{0}, nexts{0},
        badFrames{0}, acknowledged{0};
    std::atomic<bool> finished{false};

    std::mutex lock;  // guards garbage and received
    std::vector<std::string> garbage;
    std::vector<std::uint8_t> received;

    // Serving thread only.
    std::optional<RequestParser> parser;
    std::optional<UploadSession> session;
    std::uint64_t reading = 0;
    std::uint64_t replies = 0;
    std::deque<Chunk> out;
    std::size_t queued = 0;

    void Wake() {
        if (wake < 0) return;
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t r = ::write(wake, &one, sizeof one);
    }

    void Queue(std::string bytes, int pauseMs, bool joinable) {
        if (bytes.empty() || queued + bytes.size() > kMaxQueuedBytes) return;
        queued += bytes.size();
        if (joinable && pauseMs == 0 && !out.empty() && out.back().joinable) {
            out.back().bytes += bytes;
            return;
        }
        Chunk c;
        c.bytes = std::move(bytes);
        c.pauseMs = pauseMs;
        c.joinable = joinable;
        if (out.empty() && pauseMs > 0) c.due = Clock::now() + std::chrono::milliseconds(pauseMs);
        out.push_back(std::move(c));
    }

    // A line or frame: the repeating faults and the one-off ones apply to it here.
    void Reply(std::string bytes) {
        ++replies;
        const SimOptions& o = options;
        if (o.garbageEvery > 0 && replies % o.garbageEvery == 0) Queue(o.garbage, 0, false);
        std::size_t dropCount = static_cast<std::size_t>(std::max(drop.exchange(0), 0));
        if (o.dropEvery > 0 && replies % o.dropEvery == 0) dropCount += 1;
        if (dropCount > 0) {
            const std::size_t from = bytes.size() / 2;
            bytes.erase(from, std::min(dropCount, bytes.size() - from));
        }
        if (split.load() && bytes.size() >= 2) {
            const std::size_t half = bytes.size() / 2;
            Queue(bytes.substr(0, half), 0, false);
            Queue(bytes.substr(half), std::max(o.splitPauseMs, 0), false);
        } else {
            Queue(std::move(bytes), 0, true);
        }
    }

    void SendLine() {
        if (restartProfile.exchange(false)) reading = 0;
        std::string line = ProfileNumberText(options.profile, options.seed, reading++);
        line += ' ';
        line += options.unitText;
        line += '\r';
        if (options.lineFeed) line += '\n';
        lines.fetch_add(1);
        Reply(std::move(line));
    }

    void SendFrame(const UploadSession::Reply& r) {
        const std::size_t perFrame = std::max<std::size_t>(options.recordsPerFrame, 1);
        std::vector<std::uint8_t> frame = r.frame < session->BlockCount()
                                              ? BuildRecordFrame(options.memory, r.frame * perFrame, perFrame)
                                              : BuildEndFrame();
        if (TakeOne(corrupt)) frame[frame.size() - 2] ^= 0xFF;
        frames.fetch_add(1);
        if (r.resend) resent.fetch_add(1);
        acknowledged.store(session->Acknowledged());
        finished.store(session->Finished());
        Reply(std::string(frame.begin(), frame.end()));
    }

    // The frame last sent has not yet been taken by the program: part of it still waits in our
    // queue or unread on the program's side of the line. An upload request now crossed it.
    bool FrameInFlight() const {
        if (!out.empty()) return true;
        int unread = 0;
        return slave >= 0 && ::ioctl(slave, FIONREAD, &unread) == 0 && unread > 0;
    }

    void Process(const std::uint8_t* data, std::size_t n, Clock::time_point now) {
        if (record.load()) {
            std::lock_guard g(lock);
            received.insert(received.end(), data, data + n);
        }
        if (parser->Expire(now)) badFrames.fetch_add(1);
        const bool quiet = silent.load();
        for (std::size_t i = 0; i < n; ++i) {
            std::optional<UploadSession::Reply> reply;
            switch (parser->Feed(data[i], now)) {
                case RequestParser::Event::Reading:
                    requests.fetch_add(1);
                    if (!quiet && !session->Sending(now)) SendLine();
                    break;
                case RequestParser::Event::Connect:
                    connects.fetch_add(1);
                    if (!quiet && !(session->Started() && FrameInFlight())) reply = session->OnConnect(now);
                    break;
                case RequestParser::Event::Next:
                    nexts.fetch_add(1);
                    if (!quiet && !(session->Started() && FrameInFlight())) reply = session->OnNext(now);
                    break;
                case RequestParser::Event::BadFrame:
                    badFrames.fetch_add(1);
                    break;
                case RequestParser::Event::None:
                case RequestParser::Event::OtherFrame:
                    break;
            }
            if (reply) SendFrame(*reply);
        }
    }

    void TakeGarbage() {
        std::vector<std::string> bytes;
        {
            std::lock_guard g(lock);
            bytes.swap(garbage);
        }
        for (std::string& b : bytes) Queue(std::move(b), 0, false);
    }

    // Writes what is due; false when the master would block.
    bool Flush() {
        while (!out.empty()) {
            Chunk& c = out.front();
            const Clock::time_point now = Clock::now();
            if (c.due && *c.due > now) return true;
            const ssize_t w = ::write(master, c.bytes.data() + c.written, c.bytes.size() - c.written);
            if (w < 0) {
                if (errno == EINTR) continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK) return false;
                out.clear();  // the link is gone; nothing more can be delivered
                queued = 0;
                return true;
            }
            c.written += static_cast<std::size_t>(w);
            if (c.written < c.bytes.size()) continue;
            queued -= c.bytes.size();
            out.pop_front();
            if (!out.empty() && out.front().pauseMs > 0 && !out.front().due) {
                out.front().due = Clock::now() + std::chrono::milliseconds(out.front().pauseMs);
            }
        }
        return true;
    }

    void Serve() {
        std::uint8_t buffer[4096];
        bool masterOk = true;
        for (;;) {
            const bool writable = Flush();
            int timeout = -1;
            if (!out.empty() && out.front().due) {
                const auto wait =
                    std::chrono::ceil<std::chrono::milliseconds>(*out.front().due - Clock::now());
                timeout = static_cast<int>(std::max<std::int64_t>(wait.count(), 0));
            }
            pollfd fds[2] = {{wake, POLLIN, 0}, {master, 0, 0}};
            if (masterOk) fds[1].events = static_cast<short>(POLLIN | (writable ? 0 : POLLOUT));
            if (::poll(fds, masterOk ? 2 : 1, timeout) < 0 && errno != EINTR) break;
            if (fds[0].revents & POLLIN) {
                std::uint64_t v;
                [[maybe_unused]] ssize_t r = ::read(wake, &v, sizeof v);
            }
            if (stop.load()) break;
            TakeGarbage();
            if (!masterOk) continue;
            if (fds[1].revents & POLLIN) {
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n > 0) {
                    Process(buffer, static_cast<std::size_t>(n), Clock::now());
                } else if (n == 0 || (errno != EAGAIN && errno != EINTR && errno != EWOULDBLOCK)) {
                    masterOk = false;
                }
            } else if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
                masterOk = false;  // cannot happen while our slave fd is open; do not spin on it
            }
        }
    }
};

GaugeSimulator::GaugeSimulator(SimOptions options) : state_(std::make_unique<State>(std::move(options))) {}

GaugeSimulator::~GaugeSimulator() {
    Close();
}

bool GaugeSimulator::Open() {
    State& s = *state_;
    std::lock_guard g(s.control);
    if (s.master >= 0 || s.wake < 0) return false;
    s.master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (s.master < 0) return false;
    char name[128];
    bool ok = ::fcntl(s.master, F_SETFD, FD_CLOEXEC) == 0 && ::grantpt(s.master) == 0 &&
              ::unlockpt(s.master) == 0 && ::ptsname_r(s.master, name, sizeof name) == 0 &&
              ::fcntl(s.master, F_SETFL, O_NONBLOCK) == 0;
    if (ok) {
        s.slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        ok = s.slave >= 0;
    }
    if (!ok) {
        CloseFd(s.slave);
        CloseFd(s.master);
        return false;
    }
    // No echo, no line editing, no CR/LF translation, whoever opens the slave later.
    SetRaw(s.slave);
    SetRaw(s.master);
    slavePath_ = name;
    s.parser.emplace(std::chrono::milliseconds(std::max(s.options.upload.frameTimeoutMs, 1)));
    s.session.emplace(s.options.memory.size(), s.options.recordsPerFrame, s.options.upload);
    s.reading = 0;
    s.replies = 0;
    s.out.clear();
    s.queued = 0;
    {
        std::lock_guard gl(s.lock);
        s.garbage.clear();
    }
    s.finished.store(false);
    s.acknowledged.store(0);
    s.stop.store(false);
    s.thread = std::thread([&s] { s.Serve(); });
    s.open.store(true);
    return true;
}

void GaugeSimulator::StopThread() {
    State& s = *state_;
    if (!s.thread.joinable()) return;
    s.stop.store(true);
    s.Wake();
    s.thread.join();
}

void GaugeSimulator::Unregister() {
    if (portNumber_ != 0) orva::ports::UnregisterVirtualPort(portNumber_);
    portNumber_ = 0;
}

void GaugeSimulator::Close() {
    State& s = *state_;
    std::lock_guard g(s.control);
    s.open.store(false);
    StopThread();
    Unregister();
    CloseFd(s.slave);
    CloseFd(s.master);
}

void GaugeSimulator::Unplug() {
    Close();
}

bool GaugeSimulator::IsOpen() const {
    return state_->open.load();
}

const std::string& GaugeSimulator::SlavePath() const {
    return slavePath_;
}

int GaugeSimulator::RegisterVirtualPort(const std::string& product) {
    std::lock_guard g(state_->control);
    if (state_->master < 0) return 0;
    if (portNumber_ == 0) portNumber_ = orva::ports::RegisterVirtualPort(slavePath_, product);
    return portNumber_;
}

int GaugeSimulator::VirtualPortNumber() const {
    std::lock_guard g(state_->control);
    return portNumber_;
}

void GaugeSimulator::RestartProfile() {
    state_->restartProfile.store(true);
}

void GaugeSimulator::SetSilent(bool on) {
    state_->silent.store(on);
}

void GaugeSimulator::CorruptNextFrames(int count) {
    state_->corrupt.store(std::max(count, 0));
}

void GaugeSimulator::InjectGarbage(const std::string& bytes) {
    State& s = *state_;
    {
        std::lock_guard g(s.lock);
        s.garbage.push_back(bytes);
    }
    s.Wake();
}

void GaugeSimulator::SetSplitWrites(bool on) {
    state_->split.store(on);
}

void GaugeSimulator::DropNextBytes(int count) {
    state_->drop.store(std::max(count, 0));
}

std::uint64_t GaugeSimulator::RequestsReceived() const {
    return state_->requests.load();
}
std::uint64_t GaugeSimulator::LinesSent() const {
    return state_->lines.load();
}
std::uint64_t GaugeSimulator::FramesSent() const {
    return state_->frames.load();
}
std::uint64_t GaugeSimulator::FramesResent() const {
    return state_->resent.load();
}
std::uint64_t GaugeSimulator::ConnectRequests() const {
    return state_->connects.load();
}
std::uint64_t GaugeSimulator::NextRequests() const {
    return state_->nexts.load();
}
std::uint64_t GaugeSimulator::BadRequestFrames() const {
    return state_->badFrames.load();
}
std::uint64_t GaugeSimulator::BlocksAcknowledged() const {
    return state_->acknowledged.load();
}
bool GaugeSimulator::UploadFinished() const {
    return state_->finished.load();
}

std::vector<std::uint8_t> GaugeSimulator::Received() const {
    std::lock_guard g(state_->lock);
    return state_->received;
}

void GaugeSimulator::SetRecordReceived(bool on) {
    state_->record.store(on);
}

}  // namespace orva::sim
