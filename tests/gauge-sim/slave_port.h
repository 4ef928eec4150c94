// The program's side of the link in these tests: the pty slave opened raw, and a small
// decoder of the gauge's frames written independently of the simulator.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace gauge_sim_test {

constexpr int kHangGuardMs = 5000;  // only keeps a broken test from hanging

class SlavePort {
public:
    explicit SlavePort(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) return;
        termios t{};
        ::tcgetattr(fd_, &t);
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B38400);
        ::cfsetospeed(&t, B38400);
        ::tcsetattr(fd_, TCSANOW, &t);
    }
    ~SlavePort() {
        if (fd_ >= 0) ::close(fd_);
    }
    SlavePort(const SlavePort&) = delete;
    SlavePort& operator=(const SlavePort&) = delete;

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    bool Write(const std::string& bytes) { return Write(bytes.data(), bytes.size()); }
    bool Write(const void* data, std::size_t n) { return ::write(fd_, data, n) == static_cast<ssize_t>(n); }

    // Result of one read that waited up to timeoutMs: bytes, or nothing on time-out; eof is
    // set when the read ended the link (0 or an error such as EIO).
    struct Chunk {
        std::string bytes;
        bool timedOut = false;
        bool eof = false;
    };
    Chunk ReadSome(int timeoutMs = kHangGuardMs) {
        Chunk c;
        pollfd p{fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, timeoutMs);
        if (r == 0) {
            c.timedOut = true;
            return c;
        }
        char buf[4096];
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n > 0) {
            c.bytes.assign(buf, static_cast<std::size_t>(n));
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            c.eof = true;
        }
        return c;
    }

    // True when bytes are waiting or arrive within timeoutMs.
    bool WaitReadable(int timeoutMs) {
        if (!pending_.empty()) return true;
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, timeoutMs) > 0;
    }

    // Reads until `end` was seen (kept in the result) or the hang guard expired.
    std::string ReadUntil(char end, int timeoutMs = kHangGuardMs) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (pending_.find(end) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            Chunk c = ReadSome(static_cast<int>(left.count()));
            if (c.eof) break;
            pending_ += c.bytes;
        }
        const std::size_t at = pending_.find(end);
        const std::size_t take = at == std::string::npos ? pending_.size() : at + 1;
        std::string out = pending_.substr(0, take);
        pending_.erase(0, take);
        return out;
    }

    // Reads until n bytes arrived or the guard expired.
    std::string ReadBytes(std::size_t n, int timeoutMs = kHangGuardMs) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (pending_.size() < n) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            Chunk c = ReadSome(static_cast<int>(left.count()));
            if (c.eof) break;
            pending_ += c.bytes;
        }
        const std::size_t take = std::min(n, pending_.size());
        std::string out = pending_.substr(0, take);
        pending_.erase(0, take);
        return out;
    }

    // Everything that arrives within quietMs.
    std::string Drain(int quietMs) {
        std::string out = pending_;
        pending_.clear();
        for (;;) {
            Chunk c = ReadSome(quietMs);
            if (c.timedOut || c.eof) return out;
            out += c.bytes;
        }
    }

private:
    int fd_ = -1;
    std::string pending_;
};

// CRC-16/ARC, bit by bit, as the gauge's manual states it: reflected polynomial 0xA001, start 0.
inline std::uint16_t ReferenceCrc(const std::uint8_t* p, std::size_t n) {
    std::uint16_t crc = 0;
    while (n--) {
        crc ^= *p++;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : (crc >> 1);
    }
    return crc;
}

struct DecodedFrame {
    std::uint8_t command = 0;
    std::vector<std::uint8_t> payload;
    bool crcOk = false;
};

// Reads one frame from the port: sync FC 33, big-endian length, command, payload, CRC low first.
inline std::optional<DecodedFrame> ReadFrame(SlavePort& port, int timeoutMs = kHangGuardMs) {
    std::string head = port.ReadBytes(4, timeoutMs);
    if (head.size() < 4 || static_cast<std::uint8_t>(head[0]) != 0xFC ||
        static_cast<std::uint8_t>(head[1]) != 0x33) {
        return std::nullopt;
    }
    const std::size_t length = static_cast<std::uint8_t>(head[2]) << 8 | static_cast<std::uint8_t>(head[3]);
    if (length < 7) return std::nullopt;
    const std::string rest = port.ReadBytes(length - 4, timeoutMs);
    if (rest.size() != length - 4) return std::nullopt;
    const std::string all = head + rest;
    std::vector<std::uint8_t> bytes(all.begin(), all.end());
    DecodedFrame f;
    f.command = bytes[4];
    f.payload.assign(bytes.begin() + 5, bytes.end() - 2);
    const std::uint16_t crc = ReferenceCrc(bytes.data(), length - 2);
    f.crcOk = bytes[length - 2] == (crc & 0xFF) && bytes[length - 1] == (crc >> 8);
    return f;
}

}  // namespace gauge_sim_test
