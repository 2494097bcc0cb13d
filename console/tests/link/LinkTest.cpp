// The link over a real pseudo-terminal whose far end the test plays: reply collection, opening
// and closing, attempts and pauses, the exact request bytes of every command.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <termios.h>

#include <chrono>
#include <functional>
#include <random>

#include "Comm.h"
#include "Cvt80.h"
#include "PtyPeer.h"

namespace {

using Clock = std::chrono::steady_clock;

long msSince(Clock::time_point t) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

std::string readerReply(const std::string& body) {
    std::string r = body + HexByte(XorChecksum(body.data(), body.size()));
    return r + "\r";
}

std::string controllerReply(const std::string& content) {
    std::string covered = content + "\x04";
    uint16_t crc = Crc16Arc(covered.data(), covered.size());
    return covered + HexByte(static_cast<uint8_t>(crc >> 8)) +
           HexByte(static_cast<uint8_t>(crc & 0xFF)) + "\r";
}

// Opens the current link on a fresh pseudo-terminal; closes it at the end.
class LinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetLinkIdleHandler(nullptr);
        ASSERT_EQ(OpenLink(nullptr, peer.path(), "19200,e,8,1", 200, 3), 1) << LinkOpenError();
        link = CurrentLink();
    }
    void TearDown() override {
        CloseLink();
        SetLinkIdleHandler(nullptr);
    }

    PtyPeer peer;
    TCVComm* link = nullptr;
};

// --- Reply collection ------------------------------------------------------------------------

struct ReplyCase {
    const char* name;
    bool controller;
    std::string stream;  // what the device sends
    int32_t result;
    std::string delivered;  // ReplyData on success
};

std::vector<ReplyCase> replyCases() {
    const std::string serialReply = readerReply(
        "\x03"
        "001B80000001");
    const std::string ctlReply = controllerReply(
        "\x03"
        "03DPI05B80003005");
    auto wrongAt = [](std::string s, size_t fromEnd) {
        char& c = s[s.size() - 1 - fromEnd];
        c = c == '0' ? '1' : '0';
        return s;
    };
    std::string overflow(1024, 'x');
    std::string crAt1024 = std::string(1023, 'x') + "\r";
    return {
        {"reader reply accepted as delivered", false, serialReply, lrOk, serialReply},
        {"noise before the reply is dropped at 0x03", false, "#\x11zz\x7f" + serialReply, lrOk,
         serialReply},
        {"0x03 in the middle restarts the reply", false,
         "\x03"
         "001B8000" +
             serialReply,
         lrOk, serialReply},
        {"reply without 0x03 collected from its first byte", false, readerReply("X01B1"), lrOk,
         readerReply("X01B1")},
        {"second check digit wrong", false, wrongAt(serialReply, 1), lrBadChecksum, ""},
        {"first check digit wrong", false, wrongAt(serialReply, 2), lrBadChecksum, ""},
        {"lone CR", false, "\r", lrBadChecksum, ""},
        {"two bytes and CR", false, "03\r", lrBadChecksum, ""},
        {"one byte before the check digits", false,
         "\x03"
         "03\r",
         lrBadChecksum, ""},
        {"1024 bytes without CR overflow", false, overflow, lrOverflow, ""},
        {"CR as the 1024th byte still overflows", false, crAt1024, lrOverflow, ""},
        {"controller reply delivered without marker and digits", true, ctlReply, lrOk,
         "\x03"
         "03DPI05B80003005"},
        {"controller reply after noise and a broken start", true,
         "\x7f\x03"
         "03DP\x04" +
             ctlReply,
         lrOk,
         "\x03"
         "03DPI05B80003005"},
        {"CRC digit 1 wrong", true, wrongAt(ctlReply, 4), lrBadChecksum, ""},
        {"CRC digit 2 wrong", true, wrongAt(ctlReply, 3), lrBadChecksum, ""},
        {"CRC digit 3 wrong", true, wrongAt(ctlReply, 2), lrBadChecksum, ""},
        {"CRC digit 4 wrong", true, wrongAt(ctlReply, 1), lrBadChecksum, ""},
        {"controller reply without 0x04", true,
         readerReply("\x03"
                     "03DP"),
         lrBadChecksum, ""},
        {"fewer than four digits after 0x04", true,
         "\x03"
         "03DO\x04"
         "AB\r",
         lrBadChecksum, ""},
        {"controller lone CR", true, "\r", lrBadChecksum, ""},
        {"controller 1024 bytes without CR", true, overflow, lrOverflow, ""},
    };
}

TEST_F(LinkTest, ReplyCollection) {
    CloseLink();
    for (const ReplyCase& c : replyCases()) {
        SCOPED_TRACE(c.name);
        PtyPeer device;
        ASSERT_EQ(OpenLink(nullptr, device.path(), "19200,e,8,1", 10000, 1), 1);
        TCVComm* l = CurrentLink();
        device.send(c.stream);
        l->ReplyData = "before";
        int32_t result = c.controller ? l->ControllerExchange(3, 'D', 'P', "I05B")
                                      : l->ReaderExchange(1, 'B', "");
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(l->ReplyData, c.result == lrOk ? c.delivered : "before");
        CloseLink();
    }
}

TEST_F(LinkTest, ShortReplyAfterLongOneDeliversOnlyItsOwnBytes) {
    std::string longReply = readerReply(
        "\x03"
        "001P000012" +
        std::string(256, 'A'));
    peer.send(longReply);
    ASSERT_EQ(link->ReaderExchange(1, 'P', "0000121"), lrOk);
    EXPECT_EQ(link->ReplyData, longReply);
    std::string shortReply = readerReply(
        "\x03"
        "001L");
    peer.send(shortReply);
    ASSERT_EQ(link->ReaderExchange(1, 'L', "1"), lrOk);
    EXPECT_EQ(link->ReplyData, shortReply);
}

TEST_F(LinkTest, TimeOutComesALittleAfterTimeout) {
    link->Timeout = 150;
    int idleCalls = 0;
    link->OnIdle = [&] { ++idleCalls; };
    auto start = Clock::now();
    EXPECT_EQ(link->ReaderExchange(1, 'B', ""), lrTimeout);
    long elapsed = msSince(start);
    EXPECT_GE(elapsed, 150);
    EXPECT_LT(elapsed, 150 + 2000);  // a bound, not a speed measurement
    // The idle handler ran again and again while the line was quiet.
    EXPECT_GT(idleCalls, 2);
}

TEST_F(LinkTest, RequestIsWrittenWholeAndNothingIsPurgedBefore) {
    // A reply already waiting counts as the reply to the next request.
    std::string reply = readerReply(
        "\x03"
        "001V02.10-15");
    peer.send(reply);
    std::string version;
    EXPECT_EQ(ReadVersion(1, version), lrOk);
    EXPECT_EQ(version, "02.10-15");
    EXPECT_EQ(peer.received(), ReaderFrame(1, 'V', ""));
}

// --- Opening and closing -----------------------------------------------------------------------

TEST(LinkOpen, PortsThatAreNoTerminalOrMissingDoNotOpen) {
    char file[] = "/tmp/linkfileXXXXXX";
    int fd = mkstemp(file);
    ASSERT_GE(fd, 0);
    close(fd);
    struct Row {
        const char* name;
        std::string port;
    } rows[] = {{"character device that is no terminal", "/dev/null"},
                {"regular file", file},
                {"missing device", "/dev/does-not-exist"},
                {"COM0", "COM0"}};
    for (const Row& r : rows) {
        EXPECT_EQ(OpenLink(nullptr, r.port, "19200,e,8,1", 100, 3), 0) << r.name;
        ASSERT_NE(CurrentLink(), nullptr);
        EXPECT_FALSE(CurrentLink()->IsOpen()) << r.name;
        EXPECT_FALSE(LinkOpenError().empty()) << r.name;
        // A failed link stays current, sends nothing and reports no port.
        std::string v = "kept";
        EXPECT_EQ(ReadVersion(1, v), lrNoPort);
        EXPECT_EQ(v, "kept");
    }
    std::remove(file);
    CloseLink();
    EXPECT_EQ(CurrentLink(), nullptr);
    std::string serial;
    int32_t address = 0;
    EXPECT_EQ(ReadSerial(1, address, serial), lrNoPort);  // no link at all
}

TEST(LinkOpen, SecondOpenOfABusyPortIsRefused) {
    PtyPeer peer;
    ASSERT_EQ(OpenLink(nullptr, peer.path(), "19200,e,8,1", 100, 3), 1);
    TCVComm* first = CurrentLink();
    // Another link object (another program) cannot take the same port.
    TCVComm other;
    EXPECT_EQ(other.Open(peer.path(), "19200,e,8,1", 100, 3), 0);
    EXPECT_NE(other.OpenError.find("in use"), std::string::npos) << other.OpenError;
    // A second OpenLink while a device action holds the link is refused and changes nothing.
    PtyPeer elsewhere;
    EXPECT_EQ(OpenLink(nullptr, elsewhere.path(), "19200,e,8,1", 100, 3), lrBusy);
    EXPECT_EQ(CurrentLink(), first);
    EXPECT_TRUE(first->IsOpen());
    CloseLink();
    EXPECT_EQ(other.Open(peer.path(), "19200,e,8,1", 100, 3), 1);
}

TEST(LinkOpen, CloseDiscardsPendingBytesAndRestoresTheLine) {
    PtyPeer peer;
    int probe = open(peer.path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(probe, 0);
    termios before{};
    tcgetattr(probe, &before);
    ASSERT_NE(before.c_lflag & ICANON, 0u);  // a fresh terminal is in line mode
    ASSERT_EQ(OpenLink(nullptr, peer.path(), "9600,n,8,1", 100, 3), 1);
    termios during{};
    tcgetattr(probe, &during);
    EXPECT_EQ(during.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(cfgetospeed(&during), static_cast<speed_t>(B9600));
    peer.send("stale bytes\r");
    CloseLink();
    termios after{};
    tcgetattr(probe, &after);
    EXPECT_NE(after.c_lflag & ICANON, 0u);
    EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
    close(probe);
    // The stale bytes were discarded: the next link's first exchange sees only the new reply.
    ASSERT_EQ(OpenLink(nullptr, peer.path(), "19200,e,8,1", 100, 1), 1);
    std::string reply = readerReply(
        "\x03"
        "001B80000001");
    peer.send(reply);
    ASSERT_EQ(CurrentLink()->ReaderExchange(1, 'B', ""), lrOk);
    EXPECT_EQ(CurrentLink()->ReplyData, reply);
    CloseLink();
}

TEST_F(LinkTest, IdleHandlerCannotOverlapDeviceActions) {
    // While an exchange waits, the interface may try to start another action.
    const std::string reply = readerReply(
        "\x03"
        "001B80000001");
    int32_t nestedOpen = -1, nestedCommand = -1;
    int calls = 0;
    link->OnIdle = [&] {
        if (++calls != 3) return;
        PtyPeer other;
        nestedOpen = OpenLink(nullptr, other.path(), "19200,e,8,1", 100, 3);
        std::string s;
        int32_t a = 0;
        nestedCommand = ReadSerial(1, a, s);
        peer.send(reply);
    };
    EXPECT_EQ(link->ReaderExchange(1, 'B', ""), lrOk);
    EXPECT_EQ(nestedOpen, lrBusy);
    EXPECT_EQ(nestedCommand, lrBusy);
    EXPECT_EQ(CurrentLink(), link);
    EXPECT_EQ(link->ReplyData, reply);
    // The nested command sent nothing: only the one request is on the line.
    EXPECT_EQ(peer.received(), ReaderFrame(1, 'B', ""));
}

TEST_F(LinkTest, CloseLinkFromTheIdleHandlerEndsTheWaitSafely) {
    link->Timeout = 5000;
    link->OnIdle = [] { CloseLink(); };
    std::string serial = "kept";
    int32_t address = -1;
    EXPECT_EQ(ReadSerial(1, address, serial), lrNoPort);
    EXPECT_EQ(CurrentLink(), nullptr);
    EXPECT_EQ(serial, "kept");
    // A new action can open again.
    EXPECT_EQ(OpenLink(nullptr, peer.path(), "19200,e,8,1", 100, 3), 1);
}

TEST_F(LinkTest, CloseLinkDuringThePauseBetweenAttemptsIsSafe) {
    link->Timeout = 10;
    link->RetryCount = 3;
    // About ten idle calls in the first wait, then the 50 ms pause: the link closes there.
    int calls = 0;
    link->OnIdle = [&] {
        if (++calls == 30) CloseLink();
    };
    std::string bank = "kept";
    EXPECT_EQ(ReadTemplateBank(1, 12, 1, bank), lrNoPort);
    EXPECT_EQ(bank, "kept");
    EXPECT_EQ(CurrentLink(), nullptr);
    EXPECT_EQ(DeleteUser(1, 0), lrNoPort);
}

// --- Attempts and pauses -------------------------------------------------------------------------

int framesIn(const std::string& received) {
    int n = 0;
    for (char c : received) n += c == '\r';
    return n;
}

TEST_F(LinkTest, RetryCountZeroSendsNothingAndKeepsLastResult) {
    link->RetryCount = 0;
    std::string serial = "kept";
    int32_t address = -1;
    EXPECT_EQ(ReadSerial(1, address, serial), lrNoPort);  // fresh link: 0
    EXPECT_EQ(peer.received(), "");
    // ReadVersion always makes its one exchange; its time-out becomes LastResult.
    link->Timeout = 20;
    std::string version;
    EXPECT_EQ(ReadVersion(1, version), lrTimeout);
    EXPECT_EQ(framesIn(peer.received()), 1);
    EXPECT_EQ(ReadSerial(1, address, serial), lrTimeout);
    EXPECT_EQ(DeleteUser(1, 5), lrTimeout);
    EXPECT_EQ(peer.received(), "");
    EXPECT_EQ(serial, "kept");
    link->RetryCount = -2;
    EXPECT_EQ(ControllerMode(3, "0"), lrTimeout);
    EXPECT_EQ(peer.received(), "");
}

TEST_F(LinkTest, AttemptsStopAtTheFirstSuccess) {
    link->Timeout = 30;
    link->RetryCount = 3;
    std::string serial;
    int32_t address = 0;
    EXPECT_EQ(ReadSerial(2, address, serial), lrTimeout);
    EXPECT_EQ(framesIn(peer.received()), 3);
    EXPECT_EQ(link->LastResult, lrTimeout);
    // A bad reply, then a good one: two attempts.
    std::string good = readerReply(
        "\x03"
        "002B80000002");
    std::string bad = good;
    bad[bad.size() - 2] ^= 1;
    int calls = 0;
    link->OnIdle = [&] {
        if (calls++ == 0) peer.send(bad + good);
    };
    EXPECT_EQ(ReadSerial(2, address, serial), lrOk);
    EXPECT_EQ(framesIn(peer.received()), 2);
    EXPECT_EQ(serial, "80000002");
    EXPECT_EQ(address, 2);
    std::string version;
    EXPECT_EQ(ReadVersion(2, version), lrTimeout);  // one attempt only
    EXPECT_EQ(framesIn(peer.received()), 1);
}

TEST_F(LinkTest, TemplateBankAttemptsPauseAfterEachFailure) {
    link->Timeout = 10;
    link->RetryCount = 3;
    struct Row {
        const char* name;
        std::function<int32_t()> command;
    } rows[] = {
        {"ReadTemplateBank",
         [] {
             std::string b;
             return ReadTemplateBank(1, 12, 1, b);
         }},
        {"WriteTemplateBank", [] { return WriteTemplateBank(1, 12, 1, std::string(256, 'A')); }},
        {"CtlWriteTemplateBank",
         [] { return CtlWriteTemplateBank(3, 1, 12, 1, std::string(256, 'A')); }},
    };
    for (const Row& r : rows) {
        auto start = Clock::now();
        EXPECT_EQ(r.command(), lrTimeout) << r.name;
        // Three waits of more than 10 ms and three pauses of 50 ms at least.
        EXPECT_GE(msSince(start), 3 * (10 + kBankRetryPause)) << r.name;
        EXPECT_EQ(framesIn(peer.received()), 3) << r.name;
    }
}

TEST_F(LinkTest, ClearingAReaderWaitsFiveSecondsAndRestoresTimeout) {
    link->Timeout = 300;
    link->RetryCount = 1;
    // The device needs about a second to clear itself.
    auto replyAfter = [&](int ms, const std::string& reply) {
        auto start = std::make_shared<Clock::time_point>(Clock::now());
        auto sent = std::make_shared<bool>(false);
        link->OnIdle = [=, this] {
            if (!*sent && msSince(*start) >= ms) {
                peer.send(reply);
                *sent = true;
            }
        };
    };
    replyAfter(1000, readerReply("\x03"
                                 "001N"));
    EXPECT_EQ(DeleteUser(1, 0), lrOk);
    EXPECT_EQ(link->Timeout, 300);
    replyAfter(1000, controllerReply("\x03"
                                     "03DDI01N"));
    EXPECT_EQ(CtlDeleteUser(3, 1, 0), lrOk);
    EXPECT_EQ(link->Timeout, 300);
    // Another user number keeps the normal time-out and so misses the slow reply.
    replyAfter(1000, readerReply("\x03"
                                 "001N"));
    EXPECT_EQ(DeleteUser(1, 12), lrTimeout);
    EXPECT_EQ(link->Timeout, 300);
    link->OnIdle = nullptr;
    peer.received();
    // Restored after a failure, too.
    EXPECT_EQ(DeleteUser(1, 0), lrTimeout);
    EXPECT_EQ(link->Timeout, 300);
}

// --- The request bytes of every command ----------------------------------------------------------

TEST_F(LinkTest, RequestBytesOfEveryCommand) {
    link->Timeout = 5;
    link->RetryCount = 1;
    const std::string card = "CDAB341200000000";
    const std::string bank(256, 'E');
    std::string s;
    int32_t a = 0, b = 0, c = 0;
    struct Row {
        const char* name;
        std::function<void()> call;
        std::string frame;
    } rows[] = {
        {"ReadVersion", [&] { ReadVersion(1, s); }, ReaderFrame(1, 'V', "")},
        {"ReadSerial, address 5 as 05", [&] { ReadSerial(5, a, s); }, ReaderFrame(5, 'B', "")},
        {"ReadMode", [&] { ReadMode(1, a, b, c); }, ReaderFrame(1, 'A', "")},
        {"WriteMode", [&] { WriteMode(1, 1, 0, 2); }, ReaderFrame(1, 'A', "102")},
        {"SetBaudRate index 5", [&] { SetBaudRate(1, 5); }, ReaderFrame(1, 'E', "5")},
        {"SetBaudRate index 10 is A", [&] { SetBaudRate(1, 10); }, ReaderFrame(1, 'E', "A")},
        {"SetBaudRate index 11 is B", [&] { SetBaudRate(1, 11); }, ReaderFrame(1, 'E', "B")},
        {"SetReaderId", [&] { SetReaderId(1, "80000001", 7); }, ReaderFrame(1, 'C', "80000001,7")},
        {"DeleteUser", [&] { DeleteUser(1, 12); }, ReaderFrame(1, 'N', "000012")},
        {"EnrollUser", [&] { EnrollUser(1, 999); }, ReaderFrame(1, 'M', "000999")},
        {"ReadTemplateBank", [&] { ReadTemplateBank(1, 12, 2, s); },
         ReaderFrame(1, 'P', "0000122")},
        {"WriteTemplateBank", [&] { WriteTemplateBank(1, 12, 3, bank); },
         ReaderFrame(1, 'P', "0000123" + bank)},
        {"ReadUserCard", [&] { ReadUserCard(1, 12, a, s); }, ReaderFrame(1, 'O', "000012")},
        {"WriteUserCard", [&] { WriteUserCard(1, 12, 1, card); },
         ReaderFrame(1, 'O', "0000121" + card)},
        {"TemplateMode", [&] { TemplateMode(1, 0); }, ReaderFrame(1, 'L', "0")},
        {"CtlReadVersion, reader 5 as %d", [&] { CtlReadVersion(3, 5, s); },
         ControllerFrame(3, 'D', 'P', "I5V")},
        {"CtlReadVersion, reader 12", [&] { CtlReadVersion(3, 12, s); },
         ControllerFrame(3, 'D', 'P', "I12V")},
        {"CtlReadSerial, reader 5 as %02d", [&] { CtlReadSerial(3, 5, a, s); },
         ControllerFrame(3, 'D', 'P', "I05B")},
        {"CtlReadMode", [&] { CtlReadMode(3, 5, a, b, c); }, ControllerFrame(3, 'D', 'P', "I05A")},
        {"CtlWriteMode", [&] { CtlWriteMode(3, 5, 1, 2, 0); },
         ControllerFrame(3, 'D', 'P', "I05A120")},
        {"CtlSetReaderId, always reader 01, no comma", [&] { CtlSetReaderId(3, "80003005", 9); },
         ControllerFrame(3, 'D', 'D', "I01C800030059")},
        {"CtlDeleteUser, reader 5 as %d", [&] { CtlDeleteUser(3, 5, 12); },
         ControllerFrame(3, 'D', 'D', "I5N000012")},
        {"CtlEnrollUser, reader 5 as %d", [&] { CtlEnrollUser(3, 5, 12); },
         ControllerFrame(3, 'D', 'D', "I5M000012")},
        {"CtlReadTemplateBank", [&] { CtlReadTemplateBank(3, 5, 12, 0, s); },
         ControllerFrame(3, 'D', 'P', "I05P0000120")},
        {"CtlWriteTemplateBank", [&] { CtlWriteTemplateBank(3, 5, 12, 1, bank); },
         ControllerFrame(3, 'D', 'P', "I05P0000121" + bank)},
        {"CtlReadUserCard", [&] { CtlReadUserCard(3, 5, 12, a, s); },
         ControllerFrame(3, 'D', 'D', "I05O000012")},
        {"CtlWriteUserCard", [&] { CtlWriteUserCard(3, 5, 12, 0, card); },
         ControllerFrame(3, 'D', 'P', "I05O0000120" + card)},
        {"CtlTemplateMode", [&] { CtlTemplateMode(3, 5, 1); },
         ControllerFrame(3, 'D', 'P', "I05L1")},
        {"ControllerMode", [&] { ControllerMode(3, "0"); }, ControllerFrame(3, 'D', 'O', "0")},
        {"ReadControllerCard, card 7 as 0007", [&] { ReadControllerCard(3, 7, s); },
         ControllerFrame(3, 'H', 'E', "0007")},
        {"SetControllerBaudRate index 11", [&] { SetControllerBaudRate(3, 11); },
         ControllerFrame(3, 'A', 'E', "B")},
    };
    for (const Row& r : rows) {
        r.call();
        EXPECT_EQ(peer.received(), r.frame) << r.name;
    }
}

// --- Reply fields ------------------------------------------------------------------------------

TEST_F(LinkTest, ReplyFieldsAreCutAtTheirPositions) {
    link->RetryCount = 1;
    std::string s;
    int32_t a = -1, b = -1, c = -1;
    peer.send(
        readerReply("\x03"
                    "007B80000007"));
    ASSERT_EQ(ReadSerial(7, a, s), lrOk);
    EXPECT_EQ(a, 7);
    EXPECT_EQ(s, "80000007");
    peer.send(
        readerReply("\x03"
                    "001A102"));
    ASSERT_EQ(ReadMode(1, a, b, c), lrOk);
    EXPECT_EQ(a * 100 + b * 10 + c, 102);
    peer.send(
        readerReply("\x03"
                    "001O100CDAB341200000000"));
    ASSERT_EQ(ReadUserCard(1, 12, a, s), lrOk);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(s, "CDAB341200000000");  // direct: as the reader keeps it
    peer.send(
        controllerReply("\x03"
                        "03DDI05O1CDAB341200000000"));
    ASSERT_EQ(CtlReadUserCard(3, 5, 12, a, s), lrOk);
    EXPECT_EQ(s, "000000001234ABCD");  // relayed: reversed by pairs
    peer.send(
        controllerReply("\x03"
                        "03DPI0502.10-15"));
    ASSERT_EQ(CtlReadVersion(3, 5, s), lrOk);
    EXPECT_EQ(s, "02.10-15");
    peer.send(
        controllerReply("\x03"
                        "03DPI05B80003005"));
    ASSERT_EQ(CtlReadSerial(3, 5, a, s), lrOk);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(s, "80003005");
    peer.send(
        controllerReply("\x03"
                        "03DPI05A012"));
    ASSERT_EQ(CtlReadMode(3, 5, a, b, c), lrOk);
    EXPECT_EQ(a * 100 + b * 10 + c, 12);
    peer.send(
        controllerReply("\x03"
                        "03HE000000001234ABCD"));
    ASSERT_EQ(ReadControllerCard(3, 7, s), lrOk);
    EXPECT_EQ(s, "000000001234ABCD");
    // A bank reply longer than 256 characters is cut; a short one never yields check digits.
    peer.send(
        readerReply("\x03"
                    "001P" +
                    std::string(300, 'F')));
    ASSERT_EQ(ReadTemplateBank(1, 12, 1, s), lrOk);
    EXPECT_EQ(s, std::string(256, 'F'));
    peer.send(
        readerReply("\x03"
                    "001P"));
    ASSERT_EQ(ReadTemplateBank(1, 12, 1, s), lrOk);
    EXPECT_EQ(s, "");
    peer.send(
        controllerReply("\x03"
                        "03DPI05P" +
                        std::string(100, 'C')));
    ASSERT_EQ(CtlReadTemplateBank(3, 5, 12, 1, s), lrOk);
    EXPECT_EQ(s, std::string(100, 'C'));
    // Fields are left alone when the command fails.
    link->Timeout = 10;
    s = "kept";
    EXPECT_EQ(ReadTemplateBank(1, 12, 1, s), lrTimeout);
    EXPECT_EQ(s, "kept");
}

// --- Random byte streams -----------------------------------------------------------------------

// Replays random streams (noise, markers, whole and damaged replies) into the reply
// collection: it must never crash, and never report success for data whose check digits do
// not verify.
TEST(LinkReplay, RandomStreamsNeverPassUncheckedData) {
    std::mt19937 rng(20240611);
    const std::string markers = std::string("\x03\x04\r\x01\x02\t", 6) + "0123456789ABCDEF";
    int successes = 0, failures = 0;
    for (int round = 0; round < 400; ++round) {
        const bool controller = round % 2 == 1;
        std::string stream;
        const int pieces = 1 + static_cast<int>(rng() % 6);
        for (int p = 0; p < pieces; ++p) {
            switch (rng() % 5) {
                case 0:  // raw bytes of every value
                    for (int i = static_cast<int>(rng() % 80); i > 0; --i)
                        stream += static_cast<char>(rng() % 256);
                    break;
                case 1:  // the characters that matter to the parser
                    for (int i = static_cast<int>(rng() % 40); i > 0; --i)
                        stream += markers[rng() % markers.size()];
                    break;
                case 2: {  // a damaged reply: one byte changed
                    std::string r = controller ? controllerReply(
                                                     "\x03"
                                                     "03DPI01B80003001")
                                               : readerReply(
                                                     "\x03"
                                                     "001B80000001");
                    r[rng() % r.size()] = static_cast<char>(rng() % 256);
                    stream += r;
                    break;
                }
                case 3:  // a long run without CR
                    stream += std::string(300 + rng() % 900, static_cast<char>('A' + rng() % 6));
                    break;
                default:  // a good reply
                    stream += controller ? controllerReply(
                                               "\x03"
                                               "03DPI01B80003001")
                                         : readerReply(
                                               "\x03"
                                               "001B80000001");
            }
        }
        if (stream.size() > 3000) stream.resize(3000);
        PtyPeer device;
        ASSERT_EQ(OpenLink(nullptr, device.path(), "19200,e,8,1", 5, 1), 1);
        TCVComm* l = CurrentLink();
        device.send(stream);
        const int32_t result =
            controller ? l->ControllerExchange(3, 'D', 'P', "I01B") : l->ReaderExchange(1, 'B', "");
        ASSERT_GE(result, lrOk);
        ASSERT_LE(result, lrTimeout);
        if (result == lrOk) {
            ++successes;
            const std::string& d = l->ReplyData;
            if (controller) {
                // What came was the delivered part, 0x04, its CRC digits.
                std::string covered = d + "\x04";
                uint16_t crc = Crc16Arc(covered.data(), covered.size());
                std::string checked = covered + HexByte(static_cast<uint8_t>(crc >> 8)) +
                                      HexByte(static_cast<uint8_t>(crc & 0xFF));
                EXPECT_NE(stream.find(checked), std::string::npos) << "round " << round;
                EXPECT_EQ(d.find('\r'), std::string::npos) << "round " << round;
            } else {
                ASSERT_GE(d.size(), 5u) << "round " << round;
                EXPECT_EQ(d.back(), '\r');
                EXPECT_EQ(d.substr(d.size() - 3, 2), HexByte(XorChecksum(d.data(), d.size() - 3)))
                    << "round " << round;
                EXPECT_NE(stream.find(d), std::string::npos) << "round " << round;
            }
            EXPECT_EQ(d.find('\x03', 1), std::string::npos) << "round " << round;
        } else {
            ++failures;
        }
        CloseLink();
    }
    // Both outcomes occurred, so the replay exercised the parser both ways.
    EXPECT_GT(successes, 0);
    EXPECT_GT(failures, 0);
}

}  // namespace
