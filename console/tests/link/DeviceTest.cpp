// Every command against cvt80sim over a real pseudo-terminal, with its fault injection, and the
// cvt80 tool as an installer would use it.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "Comm.h"
#include "Cvt80.h"
#include "IniFile.h"
#include "SimProcess.h"

namespace {

using nlohmann::json;

std::string sampleTemplate(char seed) {
    std::string t = "4412111D5A226376";  // header: D format, 18 minutiae, 17 x 29 grid, "cv"
    while (t.size() < kTemplateTextLength) t += "0123456789ABCDEF"[(t.size() * 7 + seed) % 16];
    return t;
}

// A link to a fresh simulator; closed at the end.
class DeviceTest : public ::testing::Test {
  protected:
    void start(std::vector<std::string> args, const std::string& settings = "19200,e,8,1",
               int32_t timeout = 300, int32_t retries = 3) {
        sim = std::make_unique<SimProcess>(std::move(args));
        ASSERT_EQ(OpenLink(nullptr, sim->path(), settings, timeout, retries), 1) << LinkOpenError();
    }
    void reopen(const std::string& settings) {
        CloseLink();
        ASSERT_EQ(OpenLink(nullptr, sim->path(), settings, 300, 3), 1);
    }
    void TearDown() override { CloseLink(); }

    std::unique_ptr<SimProcess> sim;
};

TEST_F(DeviceTest, DirectReaderIdentityAndMode) {
    start({"--layout", "0:1,2"});
    int32_t address = 0;
    std::string serial, version;
    ASSERT_EQ(ReadSerial(2, address, serial), lrOk);
    EXPECT_EQ(address, 2);
    EXPECT_EQ(serial, "80000002");
    ASSERT_EQ(ReadVersion(1, version), lrOk);
    EXPECT_EQ(version, "02.10-15");

    int32_t i = -1, w = -1, b = -1;
    ASSERT_EQ(ReadMode(1, i, w, b), lrOk);
    EXPECT_EQ(i * 100 + w * 10 + b, 0);
    ASSERT_EQ(WriteMode(1, 1, 2, 1), lrOk);
    ASSERT_EQ(ReadMode(1, i, w, b), lrOk);
    EXPECT_EQ(i * 100 + w * 10 + b, 121);

    // A new bus number for the reader with serial 80000002; a wrong serial is not answered.
    EXPECT_EQ(SetReaderId(2, "80000009", 7), lrTimeout);
    ASSERT_EQ(SetReaderId(2, "80000002", 7), lrOk);
    ASSERT_EQ(ReadSerial(7, address, serial), lrOk);
    EXPECT_EQ(address, 7);
    EXPECT_EQ(ReadSerial(2, address, serial), lrTimeout);

    json r = sim->Reader(0, 2);
    EXPECT_EQ(r["address"], 7);
    EXPECT_EQ(sim->Reader(0, 1)["run_mode"], "121");
}

TEST_F(DeviceTest, DirectTemplateBanksRoundTrip) {
    start({"--layout", "0:1"});
    const std::string text = sampleTemplate(1);
    // Outside template mode the reader does not take template traffic.
    EXPECT_EQ(WriteTemplateBank(1, 12, 1, TemplateBankText(text, 1)), lrTimeout);
    ASSERT_EQ(TemplateMode(1, 0), lrOk);
    EXPECT_EQ(sim->Reader(0, 1)["template_mode"], 0);
    for (int bank = 1; bank <= 3; ++bank)
        ASSERT_EQ(WriteTemplateBank(1, 12, bank, TemplateBankText(text, bank)), lrOk) << bank;
    std::string back, bank;
    for (int k = 1; k <= 3; ++k) {
        ASSERT_EQ(ReadTemplateBank(1, 12, k, bank), lrOk);
        back += bank;
    }
    EXPECT_EQ(back, text);
    // An empty user number reads as zeros, which the console takes for "no template".
    ASSERT_EQ(ReadTemplateBank(1, 13, 1, bank), lrOk);
    EXPECT_EQ(bank, std::string(kBankLength, '0'));
    ASSERT_EQ(TemplateMode(1, 1), lrOk);
    json user = sim->Reader(0, 1)["users"]["12"];
    EXPECT_EQ(user["template"], text);
    EXPECT_EQ(user["banks"][1], TemplateBankText(text, 2));
}

TEST_F(DeviceTest, RelayedTemplateNeedsControllerModeAndReaderTemplateMode) {
    start({"--layout", "3:1,5"});
    const std::string text = sampleTemplate(2);
    ASSERT_EQ(CtlTemplateMode(3, 5, 0), lrOk);
    // Controller still in its normal mode: relayed template traffic is not passed on.
    EXPECT_EQ(CtlWriteTemplateBank(3, 5, 40, 1, TemplateBankText(text, 1)), lrTimeout);
    ASSERT_EQ(ControllerMode(3, "0"), lrOk);
    EXPECT_EQ(sim->State()["controllers"][0]["mode"], 0);
    for (int bank = 1; bank <= 3; ++bank)
        ASSERT_EQ(CtlWriteTemplateBank(3, 5, 40, bank, TemplateBankText(text, bank)), lrOk);
    std::string back, bank;
    for (int k = 1; k <= 3; ++k) {
        ASSERT_EQ(CtlReadTemplateBank(3, 5, 40, k, bank), lrOk);
        back += bank;
    }
    EXPECT_EQ(back, text);
    ASSERT_EQ(CtlTemplateMode(3, 5, 1), lrOk);
    ASSERT_EQ(ControllerMode(3, "1"), lrOk);
    EXPECT_EQ(sim->Reader(3, 5)["users"]["40"]["template"], text);
    EXPECT_TRUE(sim->Reader(3, 1)["users"].empty());
}

TEST_F(DeviceTest, CardsDirectAndThroughAController) {
    start({"--layout", "0:1;3:5", "--card", "3:7=000000001234ABCD"});
    const std::string card = CardTextForReader("1234ABCD");
    ASSERT_EQ(WriteUserCard(1, 12, 1, card), lrOk);
    int32_t duress = -1;
    std::string read;
    ASSERT_EQ(ReadUserCard(1, 12, duress, read), lrOk);
    EXPECT_EQ(duress, 1);
    EXPECT_EQ(read, "CDAB341200000000");  // as kept by the reader

    ASSERT_EQ(CtlWriteUserCard(3, 5, 12, 0, card), lrOk);
    ASSERT_EQ(CtlReadUserCard(3, 5, 12, duress, read), lrOk);
    EXPECT_EQ(duress, 0);
    EXPECT_EQ(read, "000000001234ABCD");  // the relayed form comes back in the original order
    EXPECT_EQ(sim->Reader(3, 5)["users"]["12"]["card_id"], card);

    ASSERT_EQ(ReadControllerCard(3, 7, read), lrOk);
    EXPECT_EQ(read, "000000001234ABCD");
    ASSERT_EQ(ReadControllerCard(3, 8, read), lrOk);
    EXPECT_EQ(read, std::string(16, '0'));
}

TEST_F(DeviceTest, RelayedIdentityAndMode) {
    start({"--layout", "3:1,5;4:2"});
    int32_t address = 0;
    std::string serial, version;
    ASSERT_EQ(CtlReadSerial(3, 5, address, serial), lrOk);
    EXPECT_EQ(address, 5);
    EXPECT_EQ(serial, "80003005");
    ASSERT_EQ(CtlReadVersion(4, 2, version), lrOk);
    EXPECT_EQ(version, "02.10-15");
    ASSERT_EQ(CtlWriteMode(3, 1, 1, 0, 2), lrOk);
    int32_t i = -1, w = -1, b = -1;
    ASSERT_EQ(CtlReadMode(3, 1, i, w, b), lrOk);
    EXPECT_EQ(i * 100 + w * 10 + b, 102);
    // Addressed to reader 01, found by serial: reader 5 becomes 9.
    ASSERT_EQ(CtlSetReaderId(3, "80003005", 9), lrOk);
    ASSERT_EQ(CtlReadSerial(3, 9, address, serial), lrOk);
    EXPECT_EQ(serial, "80003005");
    EXPECT_EQ(sim->Reader(3, 5)["address"], 9);
    // A reader that is not behind the controller does not answer.
    EXPECT_EQ(CtlReadSerial(4, 5, address, serial), lrTimeout);
}

TEST_F(DeviceTest, EnrolAndDeleteUsers) {
    TempDir templates;
    const std::string fromFile = sampleTemplate(3);
    std::ofstream(templates.file("21.txt")) << fromFile << "\n";
    start({"--layout", "0:1;3:5", "--template-dir", templates.path()}, "19200,e,8,1", 300, 1);
    ASSERT_EQ(EnrollUser(1, 20), lrOk);
    ASSERT_EQ(EnrollUser(1, 21), lrOk);
    ASSERT_EQ(CtlEnrollUser(3, 5, 22), lrOk);
    json users = sim->Reader(0, 1)["users"];
    const std::string generated = users["20"]["template"];
    ASSERT_EQ(generated.size(), kTemplateTextLength);
    EXPECT_EQ(generated.substr(0, 2), "44");     // format D
    EXPECT_EQ(generated.substr(12, 4), "6376");  // "cv"
    EXPECT_EQ(users["21"]["template"], fromFile);
    EXPECT_EQ(sim->Reader(3, 5)["users"]["22"]["template"].get<std::string>().size(), 768u);

    ASSERT_EQ(DeleteUser(1, 20), lrOk);
    users = sim->Reader(0, 1)["users"];
    EXPECT_FALSE(users.contains("20"));
    EXPECT_TRUE(users.contains("21"));
    // Clearing takes the simulated reader a second, more than the 300 ms time-out.
    ASSERT_EQ(DeleteUser(1, 0), lrOk);
    EXPECT_EQ(CurrentLink()->Timeout, 300);
    EXPECT_TRUE(sim->Reader(0, 1)["users"].empty());
    ASSERT_EQ(CtlDeleteUser(3, 5, 0), lrOk);
    EXPECT_TRUE(sim->Reader(3, 5)["users"].empty());
    EXPECT_EQ(CurrentLink()->Timeout, 300);
}

TEST_F(DeviceTest, BaudRateChangesTakeEffectOnTheLine) {
    start({"--layout", "0:1;3:5"});
    ASSERT_EQ(SetBaudRate(1, 10), lrOk);           // 115200,n,8,1
    ASSERT_EQ(SetControllerBaudRate(3, 3), lrOk);  // 9600,e,8,1
    int32_t address = 0;
    std::string serial;
    EXPECT_EQ(ReadSerial(1, address, serial), lrTimeout);
    EXPECT_EQ(ControllerMode(3, "1"), lrTimeout);
    reopen("115200,n,8,1");
    EXPECT_EQ(ReadSerial(1, address, serial), lrOk);
    reopen("9600,e,8,1");
    EXPECT_EQ(CtlReadSerial(3, 5, address, serial), lrOk);
    json state = sim->State();
    EXPECT_EQ(state["readers"][0]["baud_index"], 10);
    EXPECT_EQ(state["controllers"][0]["baud_index"], 3);
}

// --- Fault injection ---------------------------------------------------------------------------

TEST_F(DeviceTest, FaultsGiveTheirResults) {
    struct Row {
        const char* name;
        std::string faults;
        int32_t timeout;
        bool relayed;
        int32_t result;
        int frames;  // frames that reached the reader
    } rows[] = {
        {"silent reader", "0.1:silent", 100, false, lrTimeout, 3},
        {"wrong check digit every time", "0.1:badcheck", 300, false, lrBadChecksum, 3},
        {"one wrong check digit, then good", "0.1:badcheck=1", 300, false, lrOk, 2},
        {"noise before the reply", "0.1:noise=40", 300, false, lrOk, 1},
        {"delay within the time-out", "0.1:delay=100", 600, false, lrOk, 1},
        {"delay beyond the time-out", "0.1:delay=400", 100, false, lrTimeout, 3},
        {"first two frames lost", "0.1:drop=2", 300, false, lrOk, 3},
        {"silent controller", "3:silent", 100, true, lrTimeout, 0},
        {"controller CRC wrong every time", "3:badcheck", 300, true, lrBadChecksum, 3},
        {"silent reader behind the controller", "3.5:silent", 100, true, lrTimeout, 3},
        {"noise before a controller reply", "3:noise=25", 300, true, lrOk, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        CloseLink();
        start({"--layout", "0:1;3:5", "--faults", r.faults}, "19200,e,8,1", r.timeout, 3);
        int32_t address = 0;
        std::string serial = "kept";
        int32_t result =
            r.relayed ? CtlReadSerial(3, 5, address, serial) : ReadSerial(1, address, serial);
        EXPECT_EQ(result, r.result);
        EXPECT_EQ(serial, result == lrOk ? (r.relayed ? "80003005" : "80000001") : "kept");
        EXPECT_EQ(sim->Reader(r.relayed ? 3 : 0, r.relayed ? 5 : 1)["frames"], r.frames);
    }
}

TEST_F(DeviceTest, ReaderGoesSilentAfterSomeFrames) {
    start({"--layout", "0:1;3:5", "--faults", "0.1:silent-after=2;3:silent-after=1"}, "19200,e,8,1",
          500, 1);
    std::string s;
    EXPECT_EQ(ReadVersion(1, s), lrOk);
    EXPECT_EQ(ReadVersion(1, s), lrOk);
    EXPECT_EQ(ReadVersion(1, s), lrTimeout);
    EXPECT_EQ(ReadControllerCard(3, 1, s), lrOk);
    EXPECT_EQ(ReadControllerCard(3, 1, s), lrTimeout);
}

TEST_F(DeviceTest, LineJunkNeverPassesAsAReply) {
    // Random bytes of every value before each reply, CR and 0x03 among them.
    start({"--layout", "0:1;3:5", "--faults", "0.1:junk=60;3:junk=60"}, "19200,e,8,1", 100, 1);
    int ok = 0;
    for (int i = 0; i < 30; ++i) {
        int32_t address = 0;
        std::string serial = "kept";
        if (ReadSerial(1, address, serial) == lrOk) {
            ++ok;
            EXPECT_EQ(serial, "80000001");
        } else {
            EXPECT_EQ(serial, "kept");
        }
        serial = "kept";
        if (CtlReadSerial(3, 5, address, serial) == lrOk)
            EXPECT_EQ(serial, "80003005");
        else
            EXPECT_EQ(serial, "kept");
    }
    EXPECT_GT(ok, 0);  // the replies behind the junk get through when it holds no CR
}

// --- The cvt80 tool ----------------------------------------------------------------------------

TEST(Cvt80Tool, WriteReadCardDeleteThroughAController) {
    SimProcess sim({"--layout", "0:1;3:1,5"});
    TempDir work;
    const std::string text = sampleTemplate(4);
    std::ofstream(work.file("finger.txt")) << text << "\n";
    const std::string port = sim.path();

    ToolRun w =
        RunCvt80({"--port", port, "write-template", "3", "1", "12", "finger.txt"}, work.path());
    ASSERT_EQ(w.exitCode, 0) << w.err;
    EXPECT_EQ(sim.Reader(3, 1)["users"]["12"]["template"], text);
    // The transfer's framing: modes back to normal afterwards.
    EXPECT_EQ(sim.Reader(3, 1)["template_mode"], 1);
    EXPECT_EQ(sim.State()["controllers"][0]["mode"], 1);

    ToolRun r = RunCvt80({"--port", port, "read-template", "3", "1", "12"}, work.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, text + "\n");

    ToolRun c =
        RunCvt80({"--port", port, "write-card", "3", "1", "12", "1", "1234ABCD"}, work.path());
    ASSERT_EQ(c.exitCode, 0) << c.err;
    json user = sim.Reader(3, 1)["users"]["12"];
    EXPECT_EQ(user["card_id"], "CDAB341200000000");
    EXPECT_EQ(user["duress"], 1);
    ToolRun rc = RunCvt80({"--port", port, "read-card", "3", "1", "12"}, work.path());
    EXPECT_EQ(rc.out, "duress=1 card=000000001234ABCD\n");

    ToolRun d = RunCvt80({"--port", port, "delete", "3", "1", "12"}, work.path());
    ASSERT_EQ(d.exitCode, 0) << d.err;
    EXPECT_FALSE(sim.Reader(3, 1)["users"].contains("12"));

    // Nothing left under that number.
    ToolRun gone = RunCvt80({"--port", port, "read-template", "3", "1", "12"}, work.path());
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_NE(gone.err.find("No Finger Template"), std::string::npos) << gone.err;
}

TEST(Cvt80Tool, DirectTemplateAndDefaultsFromSystemIni) {
    SimProcess sim({"--layout", "0:2"});
    TempDir work;
    std::ofstream(work.file("system.ini"))
        << "[System]\nComPort=4\nBaudRate=19200,e,8,1\nTimeOut=200\nRetryCount=2\n[Ports]\nCOM4="
        << sim.path() << "\n";
    const std::string text = sampleTemplate(5);
    std::ofstream(work.file("t.txt")) << text;
    ToolRun w = RunCvt80({"write-template", "0", "2", "7", "t.txt"}, work.path());
    ASSERT_EQ(w.exitCode, 0) << w.err;
    ToolRun r = RunCvt80({"read-template", "0", "2", "7"}, work.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, text + "\n");
    ToolRun s = RunCvt80({"serial", "0", "2"}, work.path());
    EXPECT_EQ(s.out, "serial=80000002 address=2\n");
    ToolRun v = RunCvt80({"version", "0", "2"}, work.path());
    EXPECT_EQ(v.out, "02.10-15\n");
    ToolRun m = RunCvt80({"mode", "0", "2"}, work.path());
    EXPECT_EQ(m.out, "interface=0 wiegand=0 rs485=0\n");
    ToolRun e = RunCvt80({"enroll", "0", "2", "8"}, work.path());
    EXPECT_EQ(e.exitCode, 0) << e.err;
    EXPECT_TRUE(sim.Reader(0, 2)["users"].contains("8"));
}

TEST(Cvt80Tool, ExitCodes) {
    SimProcess sim(
        {"--layout", "0:1;3:5", "--card", "3:9=00000000DEADBEEF", "--faults", "0.1:silent"});
    TempDir work;
    std::ofstream(work.file("short.txt")) << "ABCD";
    const std::string port = sim.path();
    struct Row {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        const char* message;  // in stdout for 0, in stderr otherwise
    } rows[] = {
        {"controller card", {"--port", port, "controller-card", "3", "9"}, 0, "00000000DEADBEEF"},
        {"silent reader names the result",
         {"--port", port, "--timeout", "50", "serial", "0", "1"},
         1,
         "result 4 (time-out)"},
        {"unknown command", {"--port", port, "reboot", "0", "1"}, 2, "unknown command"},
        {"missing argument", {"--port", port, "delete", "0", "1"}, 2, "takes 3 arguments"},
        {"not a number", {"--port", port, "serial", "x", "1"}, 2, "bad controller number"},
        {"template file of the wrong size",
         {"--port", port, "write-template", "0", "1", "3", "short.txt"},
         2,
         "768-character"},
        {"port that is no terminal",
         {"--port", "/dev/null", "serial", "0", "1"},
         2,
         "not a serial port"},
        {"missing port", {"--port", "/dev/nothing-here", "serial", "0", "1"}, 2, "does not open"},
    };
    for (const Row& r : rows) {
        ToolRun run = RunCvt80(r.args, work.path());
        EXPECT_EQ(run.exitCode, r.exitCode) << r.name << "\n" << run.err;
        const std::string& text = r.exitCode == 0 ? run.out : run.err;
        EXPECT_NE(text.find(r.message), std::string::npos) << r.name << ": " << text;
    }
}

TEST(Cvt80Tool, PortHeldByTheConsoleIsNotShared) {
    SimProcess sim({"--layout", "0:1"});
    TempDir work;
    ASSERT_EQ(OpenLink(nullptr, sim.path(), "19200,e,8,1", 300, 3), 1);
    ToolRun run = RunCvt80({"--port", sim.path(), "serial", "0", "1"}, work.path());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("in use"), std::string::npos) << run.err;
    CloseLink();
    run = RunCvt80({"--port", sim.path(), "serial", "0", "1"}, work.path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
}

TEST(Cvt80Tool, ScanFindsTheReader) {
    // The simulator sits on COM6; every other port leads nowhere.
    SimProcess sim({"--layout", "0:1;3@3:5"});
    TempDir work;
    auto writeIni = [&](int comPort, const std::string& baud) {
        std::ofstream ini(work.file("system.ini"));
        ini << "[System]\nComPort=" << comPort << "\nBaudRate=" << baud
            << "\nTimeOut=300\nRetryCount=1\n[Ports]\n";
        for (int n = 1; n <= 16; ++n)
            ini << "COM" << n << "=" << (n == 6 ? sim.path() : "/dev/nothing-" + std::to_string(n))
                << "\n";
    };
    writeIni(2, "9600,n,8,1");
    ToolRun scan = RunCvt80({"scan", "0", "1"}, work.path());
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    EXPECT_NE(
        scan.out.find("port=COM6 path=" + sim.path() + " settings=19200,e,8,1 serial=80000001"),
        std::string::npos)
        << scan.out;
    EXPECT_NE(scan.out.find("version=02.10-15"), std::string::npos) << scan.out;

    // --save writes the port found.
    scan = RunCvt80({"scan", "0", "1", "--save"}, work.path());
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    IniFile ini(work.file("system.ini"));
    EXPECT_EQ(ini.ReadInteger("System", "ComPort", 0), 6);
    EXPECT_EQ(ini.ReadString("System", "BaudRate", ""), "19200,e,8,1");

    // A reader behind a controller at 9600,e is found on the configured port and settings
    // only; the search at 19200,e,8,1 does not reach it.
    writeIni(6, "9600,e,8,1");
    scan = RunCvt80({"scan", "3", "5"}, work.path());
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    EXPECT_NE(scan.out.find("port=COM6"), std::string::npos) << scan.out;
    EXPECT_NE(scan.out.find("settings=9600,e,8,1"), std::string::npos) << scan.out;
    writeIni(2, "9600,e,8,1");
    scan = RunCvt80({"scan", "3", "5"}, work.path());
    EXPECT_EQ(scan.exitCode, 1);
    EXPECT_NE(scan.err.find("not found"), std::string::npos) << scan.err;
}

}  // namespace
