#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "IniFile.h"
#include "TextOps.h"

namespace fs = std::filesystem;

namespace {

class IniTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("cvbio-ini-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "system.ini").string();
    }
    void TearDown() override { fs::remove_all(dir_); }
    void write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
    std::string read() {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir_;
    std::string path_;
};

TEST_F(IniTest, MissingFileGivesDefaultsAndIsNotCreated) {
    IniFile ini(path_);
    EXPECT_EQ(ini.ReadString("System", "Language", "ENG"), "ENG");
    EXPECT_EQ(ini.ReadInteger("System", "TimeOut", 500), 500);
    EXPECT_FALSE(fs::exists(path_));
}

TEST_F(IniTest, ValuesAreFoundCaseInsensitivelyAndNonIntegersGiveTheDefault) {
    write("\xEF\xBB\xBF; settings\r\n[SYSTEM]\r\ncomport = COM2\r\nTimeOut=abc\r\nRetryCount= 7 \r\n"
          "BaudRate=19200,e,8,1\r\nName=繁體中文\r\n");
    IniFile ini(path_);
    EXPECT_EQ(ini.ReadInteger("System", "ComPort", 1), 1);
    EXPECT_EQ(ini.ReadInteger("System", "TimeOut", 500), 500);
    EXPECT_EQ(ini.ReadInteger("system", "RETRYCOUNT", 3), 7);
    EXPECT_EQ(ini.ReadString("System", "baudrate", ""), "19200,e,8,1");
    EXPECT_EQ(ini.ReadString("System", "Name", ""), "繁體中文");
    EXPECT_EQ(ini.ReadString("Other", "ComPort", "x"), "x");
}

TEST_F(IniTest, WritesGoToTheFileAtOnceAndKeepOtherLines) {
    write("; keep me\n[System]\nLanguage=ENG\n\n# and me\n[Ports]\nCOM1=/dev/ttyUSB0\n");
    IniFile ini(path_);
    ASSERT_TRUE(ini.WriteString("system", "LANGUAGE", "CHT"));
    ASSERT_TRUE(ini.WriteInteger("System", "ComPort", 3));
    ASSERT_TRUE(ini.WriteString("frmSourceFromFP", "FingerNo", "12"));
    EXPECT_EQ(read(),
              "; keep me\n[System]\nLANGUAGE=CHT\nComPort=3\n\n# and me\n[Ports]\nCOM1=/dev/"
              "ttyUSB0\n\n[frmSourceFromFP]\nFingerNo=12\n");
    // A second reader of the same file sees the write without being told.
    IniFile other(path_);
    EXPECT_EQ(other.ReadInteger("System", "ComPort", 1), 3);
    ASSERT_TRUE(other.WriteInteger("System", "ComPort", 4));
    EXPECT_EQ(ini.ReadInteger("System", "ComPort", 1), 4);
}

TEST_F(IniTest, FirstWriteCreatesTheFile) {
    IniFile ini(path_);
    ASSERT_TRUE(ini.WriteString("System", "LoginID", "admin"));
    EXPECT_EQ(read(), "[System]\nLoginID=admin\n");
}

TEST_F(IniTest, UnwritableFileReportsFailure) {
    IniFile ini((dir_ / "missing-folder" / "system.ini").string());
    EXPECT_FALSE(ini.WriteString("System", "LoginID", "admin"));
}

TEST(TextOps, FieldToInt) {
    struct Case {
        const char* name;
        const char* text;
        int32_t expected;
    } cases[] = {
        {"empty", "", 0},          {"blanks", "   ", 0},         {"letters", "abc", 0},
        {"digits", "12", 12},      {"negative", "-5", -5},       {"padded", " 42 ", 42},
        {"trailing", "12ab", 0},   {"overflow", "99999999999", 0}, {"plus", "+8", 8},
    };
    for (const Case& c : cases) EXPECT_EQ(FieldToInt(c.text), c.expected) << c.name;
}

TEST(TextOps, PadLeft) {
    EXPECT_EQ(PadLeft("7", "0", 4), "0007");
    EXPECT_EQ(PadLeft("12345", "0", 4), "12345");
    EXPECT_EQ(PadLeft("ab", "xy", 4), "xyxyab");  // n = 2, the fill put in front twice
    EXPECT_EQ(PadLeft("1A2B", "0", 16), "0000000000001A2B");
    EXPECT_EQ(PadLeft("", "0", 0), "");
}

TEST(TextOps, TextBefore) {
    EXPECT_EQ(TextBefore("3=Door", "="), "3");
    EXPECT_EQ(TextBefore("Door", "="), "Door");
    EXPECT_EQ(TextBefore("0=Not Connect=x", "="), "0");
    EXPECT_EQ(TextBefore("=x", "="), "");
}

TEST(TextOps, ReverseHexPairs) {
    EXPECT_EQ(ReverseHexPairs("0123456789ABCDEF"), "EFCDAB8967452301");
    EXPECT_EQ(ReverseHexPairs("ABC"), "BCA");
    EXPECT_EQ(ReverseHexPairs("A"), "A");
    EXPECT_EQ(ReverseHexPairs(""), "");
    EXPECT_EQ(ReverseHexPairs(PadLeft("12345678", "0", 16)), "7856341200000000");
}

}  // namespace
