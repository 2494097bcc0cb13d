// The command set of the CVT80 readers and the access controllers, one function per command,
// each working on the current link (Comm.h). A function formats its data into RequestData, runs
// the exchange up to RetryCount times, keeps the code in LastResult, cuts the wanted fields out
// of the reply and returns the code: lrOk (1) on success, anything else on failure. Output
// arguments are left untouched unless the code is 1. Without a current link the code is 0.
//
// Direct forms go as reader frames to the reader's bus number; the Ctl forms go as controller
// frames to a controller, which relays "I", the reader number, the letter and the data.
#pragma once

#include <cstdint>
#include <string>

// Sizes of the texts handed back.
constexpr size_t kSerialLength = 8;
constexpr size_t kCardIdLength = 16;
constexpr size_t kBankLength = 256;
constexpr size_t kTemplateTextLength = 3 * kBankLength;
// DeleteUser of user 0 clears the whole reader, which takes this long at most (ms).
constexpr int32_t kClearReaderTimeout = 5000;
// Pause after a failed attempt of the template bank writes (and of the direct bank read).
constexpr int kBankRetryPause = 50;

// The twelve line settings in the order of the baud-rate index.
extern const char* const kLineSettings[12];
// Index of a settings text in kLineSettings (case-insensitive, blanks ignored), or -1.
int32_t LineSettingsIndex(const std::string& settings);
// The index as sent: "0".."9", "A" for 10, "B" for 11, otherwise the decimal number.
std::string BaudIndexText(int32_t index);
// Card ID as it goes to a reader: filled with "0" on the left to 16 characters, then reversed
// by pairs of characters (1234ABCD -> CDAB341200000000).
std::string CardTextForReader(const std::string& cardId);
// Bank 1, 2 or 3 of a template text (characters 1-256, 257-512, 513-768; shorter or empty
// when the text is shorter).
std::string TemplateBankText(const std::string& templateText, int bank);

// --- Direct reader commands (reader frame) -------------------------------------------------

// Exactly one attempt; the version is the reply without its 5-character header.
int32_t ReadVersion(int32_t readerNo, std::string& version);
int32_t ReadSerial(int32_t readerNo, int32_t& address, std::string& serial);
// interfaceType: 0 Wiegand, 1 RS-485; wiegandBits: 0=26, 1=34, 2=42; rs485Bits: 0=24, 1=32, 2=40.
int32_t ReadMode(int32_t readerNo, int32_t& interfaceType, int32_t& wiegandBits,
                 int32_t& rs485Bits);
int32_t WriteMode(int32_t readerNo, int32_t interfaceType, int32_t wiegandBits, int32_t rs485Bits);
int32_t SetBaudRate(int32_t readerNo, int32_t baudIndex);
int32_t SetReaderId(int32_t readerNo, const std::string& serial, int32_t newNo);
// User 0 clears the reader; the reply time-out is 5000 ms during that command.
int32_t DeleteUser(int32_t readerNo, int32_t userNo);
int32_t EnrollUser(int32_t readerNo, int32_t userNo);
int32_t ReadTemplateBank(int32_t readerNo, int32_t userNo, int32_t bank, std::string& bankText);
int32_t WriteTemplateBank(int32_t readerNo, int32_t userNo, int32_t bank,
                          const std::string& bankText);
// cardId is the 16-character text as the reader keeps it (in reversed pair order).
int32_t ReadUserCard(int32_t readerNo, int32_t userNo, int32_t& duress, std::string& cardId);
int32_t WriteUserCard(int32_t readerNo, int32_t userNo, int32_t duress,
                      const std::string& cardText);
// 0 before a run of template traffic, 1 after it.
int32_t TemplateMode(int32_t readerNo, int32_t mode);

// --- Relayed reader commands (controller frame) --------------------------------------------

int32_t CtlReadVersion(int32_t controllerNo, int32_t readerNo, std::string& version);
int32_t CtlReadSerial(int32_t controllerNo, int32_t readerNo, int32_t& address,
                      std::string& serial);
int32_t CtlReadMode(int32_t controllerNo, int32_t readerNo, int32_t& interfaceType,
                    int32_t& wiegandBits, int32_t& rs485Bits);
int32_t CtlWriteMode(int32_t controllerNo, int32_t readerNo, int32_t interfaceType,
                     int32_t wiegandBits, int32_t rs485Bits);
// Always addresses reader 01 behind the controller; the reader is chosen by its serial number.
int32_t CtlSetReaderId(int32_t controllerNo, const std::string& serial, int32_t newNo);
int32_t CtlDeleteUser(int32_t controllerNo, int32_t readerNo, int32_t userNo);
int32_t CtlEnrollUser(int32_t controllerNo, int32_t readerNo, int32_t userNo);
int32_t CtlReadTemplateBank(int32_t controllerNo, int32_t readerNo, int32_t userNo, int32_t bank,
                            std::string& bankText);
int32_t CtlWriteTemplateBank(int32_t controllerNo, int32_t readerNo, int32_t userNo, int32_t bank,
                             const std::string& bankText);
// cardId comes back in the original pair order (the reply's text through ReverseHexPairs).
int32_t CtlReadUserCard(int32_t controllerNo, int32_t readerNo, int32_t userNo, int32_t& duress,
                        std::string& cardId);
int32_t CtlWriteUserCard(int32_t controllerNo, int32_t readerNo, int32_t userNo, int32_t duress,
                         const std::string& cardText);
int32_t CtlTemplateMode(int32_t controllerNo, int32_t readerNo, int32_t mode);

// --- Controller commands -------------------------------------------------------------------

// "0" before relayed template traffic, "1" after it.
int32_t ControllerMode(int32_t controllerNo, const std::string& mode);
// Card number 1 to 9999, sent as four digits.
int32_t ReadControllerCard(int32_t controllerNo, int32_t cardNo, std::string& cardId);
int32_t SetControllerBaudRate(int32_t controllerNo, int32_t baudIndex);
