#include "Cvt80.h"

#include <cstdarg>
#include <cstdio>

#include "Comm.h"
#include "TextOps.h"

const char* const kLineSettings[12] = {
    "4800,n,8,1",  "4800,e,8,1",  "9600,n,8,1",  "9600,e,8,1",  "19200,n,8,1",  "19200,e,8,1",
    "38400,n,8,1", "38400,e,8,1", "57600,n,8,1", "57600,e,8,1", "115200,n,8,1", "115200,e,8,1",
};

namespace {

constexpr char kRelay = 'I';

std::string format(const char* pattern, ...) {
    char buffer[kLinkBufferSize];
    va_list args;
    va_start(args, pattern);
    int n = std::vsnprintf(buffer, sizeof buffer, pattern, args);
    va_end(args);
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < sizeof buffer) return std::string(buffer, static_cast<size_t>(n));
    // Longer than the frame buffer (a template text sent whole): format again into the heap.
    std::string out(static_cast<size_t>(n) + 1, '\0');
    va_start(args, pattern);
    std::vsnprintf(out.data(), out.size(), pattern, args);
    va_end(args);
    out.resize(static_cast<size_t>(n));
    return out;
}

// `count` characters from 1-based `position`; shorter or empty past the end.
std::string mid(const std::string& text, size_t position, size_t count = std::string::npos) {
    if (position < 1 || position > text.size()) return std::string();
    return text.substr(position - 1, count);
}

int32_t digitAt(const std::string& text, size_t position) {
    return FieldToInt(mid(text, position, 1));
}

enum class Pause { None, AfterFailure };

// Runs `exchange` up to RetryCount times and keeps each code in LastResult. On success the
// reply goes to ReplyText for cutting: a reader reply without its check digits and CR (so a
// short reply never hands them out as data), a controller reply as delivered.
template <typename Exchange>
int32_t attempts(TCVComm& link, bool readerReply, Pause pause, Exchange exchange) {
    LinkHold hold(&link);
    for (int32_t attempt = 1; attempt <= link.RetryCount; ++attempt) {
        link.LastResult = exchange();
        if (link.LastResult == lrOk) break;
        if (pause == Pause::AfterFailure) LinkPause(kBankRetryPause);
    }
    if (link.LastResult == lrOk) {
        link.ReplyText = link.ReplyData;
        if (readerReply) link.ReplyText.resize(link.ReplyText.size() - 3);
    }
    return link.LastResult;
}

int32_t readerCommand(int32_t readerNo, char letter, const std::string& data,
                      Pause pause = Pause::None) {
    TCVComm* link = CurrentLink();
    if (!link) return lrNoPort;
    link->RequestData = data;
    return attempts(*link, true, pause,
                    [&] { return link->ReaderExchange(readerNo, letter, link->RequestData); });
}

int32_t controllerCommand(int32_t controllerNo, char first, char second, const std::string& data,
                          Pause pause = Pause::None) {
    TCVComm* link = CurrentLink();
    if (!link) return lrNoPort;
    link->RequestData = data;
    return attempts(*link, false, pause, [&] {
        return link->ControllerExchange(controllerNo, first, second, link->RequestData);
    });
}

// Clearing a whole reader takes longer than a normal reply.
template <typename Command>
int32_t withDeleteTimeout(int32_t userNo, Command command) {
    TCVComm* link = CurrentLink();
    if (!link || userNo != 0) return command();
    LinkHold hold(link);
    const int32_t saved = link->Timeout;
    link->Timeout = kClearReaderTimeout;
    int32_t result = command();
    link->Timeout = saved;
    return result;
}

const std::string& replyText() {
    return CurrentLink()->ReplyText;
}

}  // namespace

int32_t LineSettingsIndex(const std::string& settings) {
    std::string compact;
    for (char c : settings)
        if (c != ' ' && c != '\t') compact += c;
    for (int32_t i = 0; i < 12; ++i)
        if (SameText(compact, kLineSettings[i])) return i;
    return -1;
}

std::string BaudIndexText(int32_t index) {
    if (index == 10) return "A";
    if (index == 11) return "B";
    return format("%d", index);
}

std::string CardTextForReader(const std::string& cardId) {
    return ReverseHexPairs(PadLeft(cardId, "0", static_cast<int>(kCardIdLength)));
}

std::string TemplateBankText(const std::string& templateText, int bank) {
    if (bank < 1 || bank > 3) return std::string();
    return mid(templateText, static_cast<size_t>(bank - 1) * kBankLength + 1, kBankLength);
}

// --- Direct reader commands ------------------------------------------------------------------

int32_t ReadVersion(int32_t readerNo, std::string& version) {
    TCVComm* link = CurrentLink();
    if (!link) return lrNoPort;
    link->RequestData.clear();
    link->LastResult = link->ReaderExchange(readerNo, 'V', link->RequestData);
    if (link->LastResult == lrOk) {
        link->ReplyText = link->ReplyData.substr(0, link->ReplyData.size() - 3);
        version = mid(link->ReplyText, 6);
    }
    return link->LastResult;
}

int32_t ReadSerial(int32_t readerNo, int32_t& address, std::string& serial) {
    int32_t result = readerCommand(readerNo, 'B', "");
    if (result == lrOk) {
        address = FieldToInt(mid(replyText(), 3, 2));
        serial = mid(replyText(), 6, kSerialLength);
    }
    return result;
}

int32_t ReadMode(int32_t readerNo, int32_t& interfaceType, int32_t& wiegandBits,
                 int32_t& rs485Bits) {
    int32_t result = readerCommand(readerNo, 'A', "");
    if (result == lrOk) {
        interfaceType = digitAt(replyText(), 6);
        wiegandBits = digitAt(replyText(), 7);
        rs485Bits = digitAt(replyText(), 8);
    }
    return result;
}

int32_t WriteMode(int32_t readerNo, int32_t interfaceType, int32_t wiegandBits, int32_t rs485Bits) {
    return readerCommand(readerNo, 'A', format("%d%d%d", interfaceType, wiegandBits, rs485Bits));
}

int32_t SetBaudRate(int32_t readerNo, int32_t baudIndex) {
    return readerCommand(readerNo, 'E', BaudIndexText(baudIndex));
}

int32_t SetReaderId(int32_t readerNo, const std::string& serial, int32_t newNo) {
    return readerCommand(readerNo, 'C', format("%s,%d", serial.c_str(), newNo));
}

int32_t DeleteUser(int32_t readerNo, int32_t userNo) {
    return withDeleteTimeout(userNo,
                             [&] { return readerCommand(readerNo, 'N', format("%06d", userNo)); });
}

int32_t EnrollUser(int32_t readerNo, int32_t userNo) {
    return readerCommand(readerNo, 'M', format("%06d", userNo));
}

int32_t ReadTemplateBank(int32_t readerNo, int32_t userNo, int32_t bank, std::string& bankText) {
    int32_t result =
        readerCommand(readerNo, 'P', format("%06d%d", userNo, bank), Pause::AfterFailure);
    if (result == lrOk) bankText = mid(replyText(), 6, kBankLength);
    return result;
}

int32_t WriteTemplateBank(int32_t readerNo, int32_t userNo, int32_t bank,
                          const std::string& bankText) {
    return readerCommand(readerNo, 'P', format("%06d%d%s", userNo, bank, bankText.c_str()),
                         Pause::AfterFailure);
}

int32_t ReadUserCard(int32_t readerNo, int32_t userNo, int32_t& duress, std::string& cardId) {
    int32_t result = readerCommand(readerNo, 'O', format("%06d", userNo));
    if (result == lrOk) {
        duress = digitAt(replyText(), 6);
        cardId = mid(replyText(), 9, kCardIdLength);
    }
    return result;
}

int32_t WriteUserCard(int32_t readerNo, int32_t userNo, int32_t duress,
                      const std::string& cardText) {
    return readerCommand(readerNo, 'O', format("%06d%d%s", userNo, duress, cardText.c_str()));
}

int32_t TemplateMode(int32_t readerNo, int32_t mode) {
    return readerCommand(readerNo, 'L', format("%d", mode));
}

// --- Relayed reader commands -----------------------------------------------------------------

int32_t CtlReadVersion(int32_t controllerNo, int32_t readerNo, std::string& version) {
    int32_t result = controllerCommand(controllerNo, 'D', 'P', format("%c%dV", kRelay, readerNo));
    if (result == lrOk) version = mid(replyText(), 9);
    return result;
}

int32_t CtlReadSerial(int32_t controllerNo, int32_t readerNo, int32_t& address,
                      std::string& serial) {
    int32_t result = controllerCommand(controllerNo, 'D', 'P', format("%c%02dB", kRelay, readerNo));
    if (result == lrOk) {
        address = FieldToInt(mid(replyText(), 7, 2));
        serial = mid(replyText(), 10, kSerialLength);
    }
    return result;
}

int32_t CtlReadMode(int32_t controllerNo, int32_t readerNo, int32_t& interfaceType,
                    int32_t& wiegandBits, int32_t& rs485Bits) {
    int32_t result = controllerCommand(controllerNo, 'D', 'P', format("%c%02dA", kRelay, readerNo));
    if (result == lrOk) {
        interfaceType = digitAt(replyText(), 10);
        wiegandBits = digitAt(replyText(), 11);
        rs485Bits = digitAt(replyText(), 12);
    }
    return result;
}

int32_t CtlWriteMode(int32_t controllerNo, int32_t readerNo, int32_t interfaceType,
                     int32_t wiegandBits, int32_t rs485Bits) {
    return controllerCommand(
        controllerNo, 'D', 'P',
        format("%c%02dA%d%d%d", kRelay, readerNo, interfaceType, wiegandBits, rs485Bits));
}

int32_t CtlSetReaderId(int32_t controllerNo, const std::string& serial, int32_t newNo) {
    return controllerCommand(controllerNo, 'D', 'D',
                             format("%c01C%s%d", kRelay, serial.c_str(), newNo));
}

int32_t CtlDeleteUser(int32_t controllerNo, int32_t readerNo, int32_t userNo) {
    return withDeleteTimeout(userNo, [&] {
        return controllerCommand(controllerNo, 'D', 'D',
                                 format("%c%dN%06d", kRelay, readerNo, userNo));
    });
}

int32_t CtlEnrollUser(int32_t controllerNo, int32_t readerNo, int32_t userNo) {
    return controllerCommand(controllerNo, 'D', 'D', format("%c%dM%06d", kRelay, readerNo, userNo));
}

int32_t CtlReadTemplateBank(int32_t controllerNo, int32_t readerNo, int32_t userNo, int32_t bank,
                            std::string& bankText) {
    int32_t result = controllerCommand(controllerNo, 'D', 'P',
                                       format("%c%02dP%06d%d", kRelay, readerNo, userNo, bank));
    if (result == lrOk) bankText = mid(replyText(), 10, kBankLength);
    return result;
}

int32_t CtlWriteTemplateBank(int32_t controllerNo, int32_t readerNo, int32_t userNo, int32_t bank,
                             const std::string& bankText) {
    return controllerCommand(
        controllerNo, 'D', 'P',
        format("%c%02dP%06d%d%s", kRelay, readerNo, userNo, bank, bankText.c_str()),
        Pause::AfterFailure);
}

int32_t CtlReadUserCard(int32_t controllerNo, int32_t readerNo, int32_t userNo, int32_t& duress,
                        std::string& cardId) {
    int32_t result =
        controllerCommand(controllerNo, 'D', 'D', format("%c%02dO%06d", kRelay, readerNo, userNo));
    if (result == lrOk) {
        duress = digitAt(replyText(), 10);
        cardId = ReverseHexPairs(mid(replyText(), 11, kCardIdLength));
    }
    return result;
}

int32_t CtlWriteUserCard(int32_t controllerNo, int32_t readerNo, int32_t userNo, int32_t duress,
                         const std::string& cardText) {
    return controllerCommand(
        controllerNo, 'D', 'P',
        format("%c%02dO%06d%d%s", kRelay, readerNo, userNo, duress, cardText.c_str()));
}

int32_t CtlTemplateMode(int32_t controllerNo, int32_t readerNo, int32_t mode) {
    return controllerCommand(controllerNo, 'D', 'P', format("%c%02dL%d", kRelay, readerNo, mode));
}

// --- Controller commands ---------------------------------------------------------------------

int32_t ControllerMode(int32_t controllerNo, const std::string& mode) {
    return controllerCommand(controllerNo, 'D', 'O', mode);
}

int32_t ReadControllerCard(int32_t controllerNo, int32_t cardNo, std::string& cardId) {
    int32_t result = controllerCommand(controllerNo, 'H', 'E', format("%04d", cardNo));
    if (result == lrOk) cardId = mid(replyText(), 6, kCardIdLength);
    return result;
}

int32_t SetControllerBaudRate(int32_t controllerNo, int32_t baudIndex) {
    return controllerCommand(controllerNo, 'A', 'E', BaudIndexText(baudIndex));
}
