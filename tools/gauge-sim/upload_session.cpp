#include "upload_session.h"

#include <algorithm>

namespace orva::sim {

UploadSession::UploadSession(std::size_t recordCount, std::size_t recordsPerFrame, UploadTiming timing)
    : repeatGap_(std::max(timing.repeatGapMs, 0)),
      resendGuard_(std::max(timing.resendGuardMs, 0)),
      sessionIdle_(std::max(timing.sessionIdleMs, 0)) {
    const std::size_t perFrame = std::max<std::size_t>(recordsPerFrame, 1);
    blocks_ = (recordCount + perFrame - 1) / perFrame;
}

void UploadSession::ExpireIfIdle(Clock::time_point now) {
    if (phase_ != Phase::Idle && now - lastRequest_ >= sessionIdle_) phase_ = Phase::Idle;
}

bool UploadSession::Sending(Clock::time_point now) const {
    return phase_ == Phase::Sending && now - lastRequest_ < sessionIdle_;
}

UploadSession::Reply UploadSession::Send(std::size_t frame, Clock::time_point now) {
    const bool resend = phase_ != Phase::Idle && frame == current_;
    current_ = frame;
    lastSend_ = now;
    phase_ = frame >= blocks_ ? Phase::Finished : Phase::Sending;
    return {frame, resend};
}

std::optional<UploadSession::Reply> UploadSession::Resend(Clock::time_point now) {
    if (now - lastSend_ < resendGuard_) return std::nullopt;
    return Send(current_, now);
}

std::optional<UploadSession::Reply> UploadSession::OnConnect(Clock::time_point now) {
    ExpireIfIdle(now);
    lastRequest_ = now;
    if (phase_ == Phase::Idle) {
        acknowledged_ = 0;
        lastNext_.reset();
        return Send(0, now);
    }
    if (acknowledged_ == 0) return Resend(now);  // the program has not seen a valid frame yet
    return std::nullopt;
}

std::optional<UploadSession::Reply> UploadSession::OnNext(Clock::time_point now) {
    // A pause, however long, does not end an upload for the next-block request: a busy program
    // may take its time over a block. Only a connect request after the pause starts anew.
    if (phase_ == Phase::Idle) return std::nullopt;
    lastRequest_ = now;
    const bool repeat = lastNext_ && now - *lastNext_ < repeatGap_;
    lastNext_ = now;
    if (repeat) return Resend(now);
    if (phase_ == Phase::Finished) return std::nullopt;  // a late acknowledgement of the last block
    ++acknowledged_;
    return Send(current_ + 1, now);
}

}  // namespace orva::sim
