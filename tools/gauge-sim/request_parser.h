// Splits the bytes that the program writes into reading requests and request frames.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "gauge_sim.h"

namespace orva::sim {

class RequestParser {
public:
    using Clock = std::chrono::steady_clock;
    enum class Event { None, Reading, Connect, Next, OtherFrame, BadFrame };

    explicit RequestParser(std::chrono::milliseconds frameTimeout = std::chrono::milliseconds(50))
        : frameTimeout_(frameTimeout) {}

    // Drops an unfinished frame whose last byte came a frame time-out or more before now;
    // true when one was dropped. Called before the bytes of each read.
    bool Expire(Clock::time_point now);
    // One byte, received at time now. Bytes taken into a frame never yield Reading.
    Event Feed(std::uint8_t byte, Clock::time_point now);
    // True when bytes of an unfinished frame are held.
    bool InFrame() const { return size_ > 0; }
    void Reset() {
        size_ = 0;
        syncPending_ = false;
    }

private:
    Event Hunt(std::uint8_t byte);

    std::chrono::milliseconds frameTimeout_;
    Clock::time_point lastByte_{};
    bool syncPending_ = false;
    std::size_t size_ = 0;
    std::size_t length_ = 0;
    std::uint8_t frame_[kMaxFrameLength] = {};
};

}  // namespace orva::sim
