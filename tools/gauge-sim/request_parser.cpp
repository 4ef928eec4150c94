#include "request_parser.h"

namespace orva::sim {

bool RequestParser::Expire(Clock::time_point now) {
    if (size_ == 0 || now - lastByte_ < frameTimeout_) return false;
    size_ = 0;
    return true;
}

RequestParser::Event RequestParser::Hunt(std::uint8_t byte) {
    if (syncPending_ && byte == kFrameSync1) {
        syncPending_ = false;
        frame_[0] = kFrameSync0;
        frame_[1] = kFrameSync1;
        size_ = 2;
        return Event::None;
    }
    syncPending_ = byte == kFrameSync0;
    return byte == kReadingRequest ? Event::Reading : Event::None;
}

RequestParser::Event RequestParser::Feed(std::uint8_t byte, Clock::time_point now) {
    lastByte_ = now;
    if (size_ == 0) return Hunt(byte);
    frame_[size_++] = byte;
    if (size_ == 4) {
        length_ = static_cast<std::size_t>(frame_[2]) << 8 | frame_[3];
        if (length_ < kMinFrameLength || length_ > kMaxFrameLength) {
            size_ = 0;
            return Event::BadFrame;
        }
        return Event::None;
    }
    if (size_ < 4 || size_ < length_) return Event::None;
    size_ = 0;
    const std::uint16_t crc = Crc16Arc(frame_, length_ - 2);
    if (frame_[length_ - 2] != (crc & 0xFF) || frame_[length_ - 1] != (crc >> 8)) return Event::BadFrame;
    switch (frame_[4]) {
        case kCmdConnect:
            return Event::Connect;
        case kCmdNext:
            return Event::Next;
        default:
            return Event::OtherFrame;
    }
}

}  // namespace orva::sim
