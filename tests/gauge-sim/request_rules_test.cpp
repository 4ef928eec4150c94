// How the gauge tells requests apart and which frame it sends for repeated requests.
#include <gtest/gtest.h>

#include "request_parser.h"
#include "upload_session.h"

namespace sim = orva::sim;
using Event = sim::RequestParser::Event;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

std::vector<Event> FeedAll(sim::RequestParser& p, const std::vector<std::uint8_t>& bytes,
                           Clock::time_point t) {
    std::vector<Event> out;
    for (std::uint8_t b : bytes) {
        const Event e = p.Feed(b, t);
        if (e != Event::None) out.push_back(e);
    }
    return out;
}

std::vector<std::uint8_t> Of(const std::uint8_t (&frame)[8]) {
    return {std::begin(frame), std::end(frame)};
}

TEST(RequestParser, FrameBytesAreNeverReadingRequests) {
    sim::RequestParser p;
    const auto t = Clock::now();
    EXPECT_EQ(FeedAll(p, Of(sim::kConnectRequest), t), std::vector<Event>{Event::Connect});
    EXPECT_EQ(FeedAll(p, Of(sim::kNextRequest), t), std::vector<Event>{Event::Next});

    // Readings around and between frames; a lone FC does not swallow the '?' after it.
    std::vector<std::uint8_t> mixed = {'?', 0xFC, '?', 0x33, '?'};
    mixed.insert(mixed.end(), std::begin(sim::kConnectRequest), std::end(sim::kConnectRequest));
    mixed.push_back('?');
    EXPECT_EQ(FeedAll(p, mixed, t), (std::vector<Event>{Event::Reading, Event::Reading, Event::Reading,
                                                        Event::Connect, Event::Reading}));
    // FC FC 33 still syncs on the second FC.
    std::vector<std::uint8_t> doubled = {0xFC};
    doubled.insert(doubled.end(), std::begin(sim::kNextRequest), std::end(sim::kNextRequest));
    EXPECT_EQ(FeedAll(p, doubled, t), std::vector<Event>{Event::Next});
}

TEST(RequestParser, BadFramesAreDroppedWithoutAnswers) {
    sim::RequestParser p(milliseconds(50));
    const auto t = Clock::now();
    auto swapped = Of(sim::kConnectRequest);
    std::swap(swapped[6], swapped[7]);
    EXPECT_EQ(FeedAll(p, swapped, t), std::vector<Event>{Event::BadFrame});

    // Length outside 7..258: dropped as soon as the length is known; the rest is read afresh.
    EXPECT_EQ(FeedAll(p, {0xFC, 0x33, 0x3F, 0x3F, '?'}, t),
              (std::vector<Event>{Event::BadFrame, Event::Reading}));
    EXPECT_EQ(FeedAll(p, {0xFC, 0x33, 0x00, 0x06}, t), std::vector<Event>{Event::BadFrame});
    EXPECT_EQ(FeedAll(p, {0xFC, 0x33, 0x01, 0x03}, t), std::vector<Event>{Event::BadFrame});  // 259

    // Another command with a good CRC.
    const auto other = sim::BuildFrame(0x12, {1, 2, 3});
    EXPECT_EQ(FeedAll(p, other, t), std::vector<Event>{Event::OtherFrame});

    // A frame that stops half way is dropped after the time-out, and '?' counts again.
    EXPECT_TRUE(FeedAll(p, {0xFC, 0x33, 0x00, 0x08, '?'}, t).empty());
    EXPECT_TRUE(p.InFrame());
    EXPECT_FALSE(p.Expire(t + milliseconds(49)));
    EXPECT_TRUE(p.Expire(t + milliseconds(50)));
    EXPECT_EQ(FeedAll(p, {'?'}, t + milliseconds(51)), std::vector<Event>{Event::Reading});
}

struct Times {
    Clock::time_point base = Clock::now();
    Clock::time_point at(int ms) const { return base + milliseconds(ms); }
};

// Frame index of a reply, or -1 for no reply.
int F(const std::optional<sim::UploadSession::Reply>& r) {
    return r ? static_cast<int>(r->frame) : -1;
}

TEST(UploadSession, OrdinaryUploadAsTheProgramPacesIt) {
    Times t;
    sim::UploadSession s(70, 35, {});  // two blocks, end frame is frame 2
    EXPECT_EQ(s.BlockCount(), 2u);
    EXPECT_EQ(F(s.OnConnect(t.at(0))), 0);
    EXPECT_TRUE(s.Sending(t.at(1)));
    EXPECT_EQ(F(s.OnConnect(t.at(10))), -1);  // crossed the first block on the line
    EXPECT_EQ(F(s.OnNext(t.at(21))), 1);      // 20 ms after the frame: acknowledgement
    EXPECT_EQ(F(s.OnNext(t.at(42))), 2);
    EXPECT_TRUE(s.Finished());
    EXPECT_FALSE(s.Sending(t.at(43)));
    EXPECT_EQ(s.Acknowledged(), 2u);
    EXPECT_EQ(F(s.OnConnect(t.at(50))), -1);  // the handshake branch after the end frame
    EXPECT_EQ(F(s.OnNext(t.at(70))), -1);     // a late acknowledgement resends nothing
    // A new upload after a quiet spell starts from the first block.
    EXPECT_EQ(F(s.OnConnect(t.at(700))), 0);
    EXPECT_EQ(s.Acknowledged(), 0u);
}

TEST(UploadSession, LostFirstBlockIsResentOnConnectRepeats) {
    Times t;
    sim::UploadSession s(10, 35, {});
    EXPECT_EQ(F(s.OnConnect(t.at(0))), 0);
    EXPECT_EQ(F(s.OnConnect(t.at(10))), -1);
    EXPECT_EQ(F(s.OnConnect(t.at(20))), -1);
    const auto again = s.OnConnect(t.at(30));
    ASSERT_EQ(F(again), 0);
    EXPECT_TRUE(again->resend);
    EXPECT_EQ(F(s.OnNext(t.at(51))), 1);  // end frame
    EXPECT_TRUE(s.Finished());
}

TEST(UploadSession, SilenceRepeatsResendTheCurrentBlockWithoutSkipping) {
    Times t;
    sim::UploadSession s(105, 35, {});  // blocks 0..2, end frame 3
    ASSERT_EQ(F(s.OnConnect(t.at(0))), 0);
    ASSERT_EQ(F(s.OnNext(t.at(20))), 1);  // block 1 goes out and is lost
    // The program's tick timer asks every 10 ms from the third silent tick on.
    EXPECT_EQ(F(s.OnNext(t.at(28))), -1);
    EXPECT_EQ(F(s.OnNext(t.at(38))), -1);
    const auto resent = s.OnNext(t.at(48));
    ASSERT_EQ(F(resent), 1);
    EXPECT_TRUE(resent->resend);
    EXPECT_EQ(F(s.OnNext(t.at(58))), -1);  // crossed the resent block
    EXPECT_EQ(F(s.OnNext(t.at(79))), 2);   // the acknowledgement, 20 ms after the good copy
    EXPECT_EQ(s.Acknowledged(), 2u);
}

TEST(UploadSession, TimerRequestBeforeTheAcknowledgementSendsEachBlockOnce) {
    // The tick timer's request may come just before the program's own one (its pause ran
    // long); the program's request then crosses the block and must not skip ahead.
    Times t;
    sim::UploadSession s(105, 35, {});
    ASSERT_EQ(F(s.OnConnect(t.at(0))), 0);
    EXPECT_EQ(F(s.OnNext(t.at(25))), 1);   // the timer's request
    EXPECT_EQ(F(s.OnNext(t.at(29))), -1);  // the program's own, 4 ms later
    EXPECT_EQ(F(s.OnNext(t.at(50))), 2);
    EXPECT_EQ(F(s.OnNext(t.at(71))), 3);
    EXPECT_TRUE(s.Finished());
}

TEST(UploadSession, LostEndFrameIsResentOnRepeats) {
    Times t;
    sim::UploadSession s(0, 35, {});  // empty memory: the end frame comes first
    ASSERT_EQ(F(s.OnConnect(t.at(0))), 0);
    EXPECT_TRUE(s.Finished());
    EXPECT_EQ(F(s.OnConnect(t.at(30))), 0);  // nothing valid seen yet: sent again

    sim::UploadSession two(1, 35, {});
    ASSERT_EQ(F(two.OnConnect(t.at(0))), 0);
    ASSERT_EQ(F(two.OnNext(t.at(20))), 1);  // end frame, lost
    EXPECT_EQ(F(two.OnNext(t.at(30))), -1);
    EXPECT_EQ(F(two.OnNext(t.at(40))), -1);
    EXPECT_EQ(F(two.OnNext(t.at(50))), 1);
}

TEST(UploadSession, ZeroTimingAcknowledgesEveryRequestAndNextWithoutUploadIsIgnored) {
    Times t;
    sim::UploadSession s(100, 35, {0, 0, 500, 50});
    EXPECT_EQ(F(s.OnNext(t.at(0))), -1);
    EXPECT_EQ(F(s.OnConnect(t.at(0))), 0);
    EXPECT_EQ(F(s.OnNext(t.at(0))), 1);
    EXPECT_EQ(F(s.OnNext(t.at(0))), 2);
    EXPECT_EQ(F(s.OnNext(t.at(0))), 3);
    EXPECT_EQ(F(s.OnNext(t.at(0))), -1);
    // Idle for the session time: the upload is over and a stray request is ignored.
    EXPECT_EQ(F(s.OnNext(t.at(600))), -1);
}

TEST(UploadSession, ALongPauseBeforeANextBlockRequestDoesNotEndTheUpload) {
    Times t;
    sim::UploadSession s(100, 35, {15, 25, 500, 50});
    ASSERT_EQ(F(s.OnConnect(t.at(0))), 0);
    EXPECT_EQ(F(s.OnNext(t.at(2000))), 1);  // a program that took two seconds over block 0
    EXPECT_EQ(F(s.OnNext(t.at(4000))), 2);
    // A connect request after a pause starts anew.
    EXPECT_EQ(F(s.OnConnect(t.at(6000))), 0);
}

}  // namespace
