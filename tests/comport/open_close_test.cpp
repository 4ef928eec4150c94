// Opening, closing and releasing the port: what the connect button and the dialog's
// lifetime rely on.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>

#include "ComPort.h"
#include "comport_settings.h"
#include "port_table.h"
#include "pty_fixture.h"

namespace orva::comport::test {
namespace {

using namespace std::chrono_literals;

class OpenClose : public PtyTest {};

TEST_F(OpenClose, PortNumbersWithoutDeviceFailAndLeaveNothingOpen) {
    const int fdsBefore = OpenFdCount();
    CComPort port;
    for (int number : {0, -1, 128, 1000, orva::ports::kLastVirtualPort}) {
        EXPECT_EQ(OpenLikeProgram(port, number), 0) << number;
        EXPECT_FALSE(port.IsOpen());
    }
    EXPECT_TRUE(WaitUntil([] { return ReceiveThreadCount() == 0; }));
    EXPECT_EQ(OpenFdCount(), fdsBefore);
}

TEST_F(OpenClose, RegisteredPathThatIsNoTerminalFails) {
    const std::string file = portDir_ + "/not-a-tty";
    std::ofstream(file) << "plain file\n";
    const int number = orva::ports::RegisterVirtualPort(file, "USB Fake");
    ASSERT_GT(number, 0);
    const int fdsBefore = OpenFdCount();
    CComPort port;
    EXPECT_EQ(OpenLikeProgram(port, number), 0);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(OpenFdCount(), fdsBefore);
}

TEST_F(OpenClose, DeviceIsRaw38400EightNoneOneWithoutFlowControl) {
    CComPort port;
    ASSERT_NE(OpenLikeProgram(port, port_), 0);
    EXPECT_TRUE(port.IsOpen());

    const int second = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(second, 0);
    termios tio{};
    ASSERT_EQ(tcgetattr(second, &tio), 0);
    ::close(second);

    EXPECT_EQ(cfgetispeed(&tio), B38400);
    EXPECT_EQ(cfgetospeed(&tio), B38400);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | PARMRK), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
}

struct FrameCase {
    CComPort::Parity parity;
    unsigned char dataBits;
    CComPort::StopBits stopBits;
    CComPort::FlowControl flow;
    tcflag_t cflagSet;  // among CSIZE, PARENB, PARODD, CMSPAR, CSTOPB, CRTSCTS
    tcflag_t iflagSet;  // among IXON, IXOFF
};

// A pseudo-terminal always reports 8 data bits without parity, so the frame bits are
// checked on the settings that Open hands to the device.
TEST(LineSettings, FrameBitsFollowTheArguments) {
    const FrameCase cases[] = {
        {CComPort::EvenParity, 8, CComPort::OneStopBit, CComPort::NoFlowControl, CS8 | PARENB, 0},
        {CComPort::OddParity, 7, CComPort::TwoStopBits, CComPort::NoFlowControl,
         CS7 | PARENB | PARODD | CSTOPB, 0},
        {CComPort::MarkParity, 8, CComPort::OneStopBit, CComPort::NoFlowControl,
         CS8 | PARENB | PARODD | CMSPAR, 0},
        {CComPort::SpaceParity, 6, CComPort::OneStopBit, CComPort::NoFlowControl, CS6 | PARENB | CMSPAR, 0},
        {CComPort::NoParity, 5, CComPort::OnePointFiveStopBits, CComPort::NoFlowControl, CS5 | CSTOPB, 0},
        {CComPort::NoParity, 8, CComPort::OneStopBit, CComPort::CtsRtsFlowControl, CS8 | CRTSCTS, 0},
        {CComPort::NoParity, 8, CComPort::OneStopBit, CComPort::XonXoffFlowControl, CS8, IXON | IXOFF},
    };
    for (const FrameCase& c : cases) {
        termios tio{};
        tio.c_cflag = CS8 | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;  // leftovers of an earlier user
        tio.c_iflag = IXON | IXOFF | IXANY | ICRNL;
        tio.c_lflag = ICANON | ECHO | ISIG;
        tio.c_oflag = OPOST | ONLCR;
        ASSERT_TRUE(BuildTermios({115200, c.dataBits, c.parity, c.stopBits, c.flow}, tio));
        EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS), c.cflagSet)
            << "parity " << c.parity << " bits " << int(c.dataBits) << " stop " << c.stopBits;
        EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL), c.iflagSet);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(tio.c_oflag & OPOST, 0u);
        EXPECT_EQ(cfgetospeed(&tio), B115200);
        EXPECT_EQ(cfgetispeed(&tio), B115200);
    }
}

TEST_F(OpenClose, StopBitsFlowAndSpeedReachTheDevice) {
    CComPort port;
    ASSERT_NE(port.Open(port_, CComPort::CallbackReceive, 9600, CComPort::NoParity, 8, CComPort::TwoStopBits,
                        CComPort::CtsRtsFlowControl),
              0);
    termios tio{};
    ASSERT_EQ(tcgetattr(slaveKeeper_, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B9600);
    EXPECT_EQ(tio.c_cflag & (CSTOPB | CRTSCTS), static_cast<tcflag_t>(CSTOPB | CRTSCTS));
    // The next open with the program's settings takes them back out.
    ASSERT_NE(OpenLikeProgram(port, port_), 0);
    ASSERT_EQ(tcgetattr(slaveKeeper_, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B38400);
    EXPECT_EQ(tio.c_cflag & (CSTOPB | CRTSCTS), 0u);
}

TEST_F(OpenClose, ArgumentsOutOfRangeFailAndLeaveNothingOpen) {
    const int fdsBefore = OpenFdCount();
    CComPort port;
    EXPECT_EQ(port.Open(port_, CComPort::CallbackReceive, 12345, CComPort::NoParity, 8, CComPort::OneStopBit,
                        CComPort::NoFlowControl),
              0);
    EXPECT_EQ(port.Open(port_, CComPort::CallbackReceive, 38400, CComPort::NoParity, 9, CComPort::OneStopBit,
                        CComPort::NoFlowControl),
              0);
    EXPECT_EQ(port.Open(port_, CComPort::CallbackReceive, 38400, static_cast<CComPort::Parity>(7), 8,
                        CComPort::OneStopBit, CComPort::NoFlowControl),
              0);
    EXPECT_EQ(port.Open(port_, static_cast<CComPort::ReceiveMode>(3), 38400, CComPort::NoParity, 8,
                        CComPort::OneStopBit, CComPort::NoFlowControl),
              0);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(WaitUntil([] { return ReceiveThreadCount() == 0; }));
    EXPECT_EQ(OpenFdCount(), fdsBefore);
}

TEST_F(OpenClose, SecondOpenerOfTheSameDeviceIsRefusedUntilTheFirstCloses) {
    CComPort first, second;
    ASSERT_NE(OpenLikeProgram(first, port_), 0);
    EXPECT_EQ(OpenLikeProgram(second, port_), 0);
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_NE(OpenLikeProgram(second, port_), 0);
}

TEST_F(OpenClose, OpenAfterCloseDeliversAgain) {
    Sink sink;
    CComPort port;
    for (int round = 0; round < 5; ++round) {
        port.SetReceiveFunc(&Sink::Receive, &sink);
        ASSERT_NE(OpenLikeProgram(port, port_), 0) << round;
        const unsigned char byte = static_cast<unsigned char>('a' + round);
        WriteMaster(&byte, 1);
        ASSERT_TRUE(sink.WaitForBytes(round + 1)) << round;
        EXPECT_EQ(port.Output("?", 1), 1u);
        EXPECT_EQ(ReadMaster(1, 5s), std::vector<unsigned char>{'?'});
        port.Close();
        EXPECT_FALSE(port.IsOpen());
        EXPECT_TRUE(WaitUntil([] { return ReceiveThreadCount() == 0; }));
    }
    EXPECT_EQ(sink.bytes, (std::vector<unsigned char>{'a', 'b', 'c', 'd', 'e'}));
}

TEST_F(OpenClose, OpenWhileOpenClosesFirstAndUsesTheNewFunction) {
    Sink oldSink, newSink;
    CComPort port;
    port.SetReceiveFunc(&Sink::Receive, &oldSink);
    ASSERT_NE(OpenLikeProgram(port, port_), 0);
    port.SetReceiveFunc(&Sink::Receive, &newSink);
    ASSERT_NE(OpenLikeProgram(port, port_), 0);
    EXPECT_TRUE(WaitUntil([] { return ReceiveThreadCount() == 1; }));
    WriteMaster("xyz", 3);
    ASSERT_TRUE(newSink.WaitForBytes(3));
    EXPECT_EQ(oldSink.Size(), 0u);
}

TEST_F(OpenClose, SetReceiveFuncWhileOpenTakesEffectAtTheNextOpen) {
    Sink first, second;
    CComPort port;
    port.SetReceiveFunc(&Sink::Receive, &first);
    ASSERT_NE(OpenLikeProgram(port, port_), 0);
    port.SetReceiveFunc(&Sink::Receive, &second);
    WriteMaster("1", 1);
    ASSERT_TRUE(first.WaitForBytes(1));
    port.Close();
    ASSERT_NE(OpenLikeProgram(port, port_), 0);
    WriteMaster("2", 1);
    ASSERT_TRUE(second.WaitForBytes(1));
    EXPECT_EQ(first.Size(), 1u);
}

TEST_F(OpenClose, DestructorReleasesAnOpenPort) {
    const int fdsBefore = OpenFdCount();
    Sink sink;
    {
        auto port = std::make_unique<CComPort>();
        port->SetReceiveFunc(&Sink::Receive, &sink);
        ASSERT_NE(OpenLikeProgram(*port, port_), 0);
        WriteMaster("abc", 3);
        ASSERT_TRUE(sink.WaitForBytes(3));
        EXPECT_GT(OpenFdCount(), fdsBefore);
    }  // no Close: the object's end must release the device
    EXPECT_EQ(OpenFdCount(), fdsBefore);
    EXPECT_TRUE(WaitUntil([] { return ReceiveThreadCount() == 0; }));
    CComPort again;
    EXPECT_NE(OpenLikeProgram(again, port_), 0);
}

TEST_F(OpenClose, CloseWhenNotOpenDoesNothing) {
    CComPort port;
    port.Close();
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    ASSERT_NE(OpenLikeProgram(port, port_), 0);
    port.Close();
    port.Close();
    EXPECT_FALSE(port.IsOpen());
}

}  // namespace
}  // namespace orva::comport::test
