// Frame bytes, check digits, port names and the text rules of the command data.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "Comm.h"
#include "Cvt80.h"
#include "IniFile.h"

namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

TEST(Framing, ReaderFrameOfVersionCommandToReaderOne) {
    EXPECT_EQ(ReaderFrame(1, 'V', ""), bytes({0x09, 0x49, 0x30, 0x31, 0x56, 0x31, 0x37, 0x0D}));
}

TEST(Framing, ControllerFrameRelayingVersionToControllerOne) {
    EXPECT_EQ(ControllerFrame(1, 'D', 'P', "I1V"),
              bytes({0x01, 0x30, 0x31, 0x44, 0x50, 0x49, 0x31, 0x56, 0x02, 0x46, 0x44, 0x31, 0x38,
                     0x0D}));
    const std::string covered = bytes({0x01, 0x30, 0x31, 0x44, 0x50, 0x49, 0x31, 0x56, 0x02});
    EXPECT_EQ(Crc16Arc(covered.data(), covered.size()), 0xFD18);
}

TEST(Framing, CrcCheckValueAndTableEntries) {
    EXPECT_EQ(Crc16Arc("123456789", 9), 0xBB3D);
    // A single byte b from a zero register yields table entry b.
    const uint8_t one = 1, two = 2, three = 3;
    EXPECT_EQ(Crc16Arc(&one, 1), 0xC0C1);
    EXPECT_EQ(Crc16Arc(&two, 1), 0xC181);
    EXPECT_EQ(Crc16Arc(&three, 1), 0x0140);
    EXPECT_EQ(Crc16Arc("", 0), 0x0000);
}

TEST(Framing, AddressDigitsAndEmptyData) {
    // Address 5 goes out as "05"; the checksum covers TAB through the last data byte.
    std::string f = ReaderFrame(5, 'B', "");
    ASSERT_EQ(f.size(), 8u);
    EXPECT_EQ(f.substr(2, 2), "05");
    EXPECT_EQ(f.substr(5, 2), HexByte(XorChecksum(f.data(), 5)));
    // No range check: 123 gives the digit for 12 and then 3.
    EXPECT_EQ(ReaderFrame(123, 'B', "").substr(2, 2), std::string(1, '0' + 12) + "3");
    std::string c = ControllerFrame(7, 'D', 'O', "");
    EXPECT_EQ(c.substr(0, 6), bytes({0x01, '0', '7', 'D', 'O', 0x02}));
    EXPECT_EQ(HexByte(0x0F), "0F");
    EXPECT_EQ(HexByte(0xA0), "A0");
}

TEST(CommandText, BaudIndexDigits) {
    struct Row {
        const char* name;
        int32_t index;
        const char* text;
    } rows[] = {{"first", 0, "0"},     {"five", 5, "5"},         {"nine", 9, "9"},
                {"ten is A", 10, "A"}, {"eleven is B", 11, "B"}, {"out of list", 12, "12"}};
    for (const Row& r : rows) EXPECT_EQ(BaudIndexText(r.index), r.text) << r.name;
    EXPECT_EQ(LineSettingsIndex("19200,e,8,1"), 5);
    EXPECT_EQ(LineSettingsIndex("115200,E,8,1"), 11);
    EXPECT_EQ(LineSettingsIndex("4800,n,8,1"), 0);
    EXPECT_EQ(LineSettingsIndex("19200,o,8,1"), -1);
}

TEST(CommandText, CardTextAndBanks) {
    EXPECT_EQ(CardTextForReader("1234ABCD"), "CDAB341200000000");
    EXPECT_EQ(CardTextForReader(""), "0000000000000000");
    EXPECT_EQ(CardTextForReader("0123456789ABCDEF01"), "01EFCDAB8967452301");  // not filled
    std::string text;
    for (int i = 0; i < 768; ++i) text += "0123456789ABCDEF"[i / 256 + 1];
    EXPECT_EQ(TemplateBankText(text, 1), std::string(256, '1'));
    EXPECT_EQ(TemplateBankText(text, 3), std::string(256, '3'));
    EXPECT_EQ(TemplateBankText(text.substr(0, 300), 2), std::string(44, '2'));
    EXPECT_EQ(TemplateBankText(text.substr(0, 300), 3), "");
}

TEST(Ports, ComNamesMapThroughThePortsSection) {
    char dir[] = "/tmp/linkportsXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string ini = std::string(dir) + "/system.ini";
    {
        std::ofstream out(ini);
        out << "[Ports]\ncom1=/dev/ttyUSB0\nCOM12 = /dev/pts/7\n";
    }
    IniFile systemIni(ini);
    struct Row {
        const char* name;
        const char* port;
        const char* path;
    } rows[] = {
        {"mapped", "COM1", "/dev/ttyUSB0"},
        {"mapped, two digits", "COM12", "/dev/pts/7"},
        {"lower case name", "com12", "/dev/pts/7"},
        {"number alone", "12", "/dev/pts/7"},
        {"unmapped falls back to ttyS", "COM2", "/dev/ttyS1"},
        {"path given directly", "/dev/ttyACM0", "/dev/ttyACM0"},
        {"COM0 has no device", "COM0", ""},
    };
    for (const Row& r : rows) EXPECT_EQ(PortDevicePath(&systemIni, r.port), r.path) << r.name;
    EXPECT_EQ(PortDevicePath(nullptr, "COM1"), "/dev/ttyS0");
    std::remove(ini.c_str());
    rmdir(dir);
}

TEST(Ports, LineSettingsTexts) {
    for (const char* s : kLineSettings) {
        termios t{};
        EXPECT_TRUE(ApplyLineSettings(s, t)) << s;
        EXPECT_EQ((t.c_cflag & CSIZE), static_cast<tcflag_t>(CS8)) << s;
        EXPECT_EQ((t.c_cflag & PARENB) != 0, std::string(s).find(",e,") != std::string::npos) << s;
    }
    termios t{};
    ApplyLineSettings("9600,e,8,1", t);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
    // A part that does not parse leaves that part alone.
    EXPECT_FALSE(ApplyLineSettings("fast,n,8,1", t));
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(t.c_cflag & PARENB, 0u);
}

}  // namespace
