// Which frame the gauge sends for each upload request (rules in gauge_sim.h).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "gauge_sim.h"

namespace orva::sim {

class UploadSession {
public:
    using Clock = std::chrono::steady_clock;

    // Frame index i < BlockCount() is record block i; BlockCount() is the end frame.
    struct Reply {
        std::size_t frame = 0;
        bool resend = false;
    };

    UploadSession(std::size_t recordCount, std::size_t recordsPerFrame, UploadTiming timing);

    std::optional<Reply> OnConnect(Clock::time_point now);
    std::optional<Reply> OnNext(Clock::time_point now);

    // Upload mode: blocks are being sent and the program still asks for them.
    bool Sending(Clock::time_point now) const;
    bool Finished() const { return phase_ == Phase::Finished; }
    // A frame of an upload was sent and the upload has not gone idle.
    bool Started() const { return phase_ != Phase::Idle; }
    std::size_t BlockCount() const { return blocks_; }
    std::uint64_t Acknowledged() const { return acknowledged_; }

private:
    enum class Phase { Idle, Sending, Finished };
    void ExpireIfIdle(Clock::time_point now);
    std::optional<Reply> Resend(Clock::time_point now);
    Reply Send(std::size_t frame, Clock::time_point now);

    std::size_t blocks_;
    std::chrono::milliseconds repeatGap_, resendGuard_, sessionIdle_;
    Phase phase_ = Phase::Idle;
    std::size_t current_ = 0;  // frame last sent
    std::uint64_t acknowledged_ = 0;
    Clock::time_point lastRequest_{}, lastSend_{};
    std::optional<Clock::time_point> lastNext_;
};

}  // namespace orva::sim
