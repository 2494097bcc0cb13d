#include "Comm.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "IniFile.h"
#include "TextOps.h"

namespace {

constexpr uint8_t kTab = 0x09;
constexpr uint8_t kSoh = 0x01;
constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEtx = 0x03;  // starts every reply
constexpr uint8_t kEot = 0x04;  // ends the CRC-covered part of a controller reply
constexpr uint8_t kCr = 0x0D;

// The standard reflected CRC-16 table (polynomial 0xA001): entry 1 is 0xC0C1, 2 is 0xC181.
struct CrcTables {
    uint8_t lo[256];
    uint8_t hi[256];
    CrcTables() {
        for (int i = 0; i < 256; ++i) {
            uint16_t crc = static_cast<uint16_t>(i);
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                                : static_cast<uint16_t>(crc >> 1);
            lo[i] = static_cast<uint8_t>(crc & 0xFF);
            hi[i] = static_cast<uint8_t>(crc >> 8);
        }
    }
};
const CrcTables kCrc;

void crcUpdate(uint8_t& crcLo, uint8_t& crcHi, const uint8_t* data, size_t length) {
    for (size_t k = 0; k < length; ++k) {
        uint8_t i = data[k] ^ crcLo;
        crcLo = kCrc.lo[i] ^ crcHi;
        crcHi = kCrc.hi[i];
    }
}

const char kHexDigits[] = "0123456789ABCDEF";

void appendHex(std::string& out, uint8_t value) {
    out += kHexDigits[value >> 4];
    out += kHexDigits[value & 0x0F];
}

void appendAddress(std::string& out, int32_t address) {
    // No range check: the digits are formed exactly as the devices expect them.
    out += static_cast<char>('0' + address / 10);
    out += static_cast<char>('0' + address % 10);
}

void buildReaderFrame(std::string& out, int32_t address, char command, const std::string& data) {
    out.clear();
    out += static_cast<char>(kTab);
    out += 'I';
    appendAddress(out, address);
    out += command;
    out += data;
    appendHex(out, XorChecksum(out.data(), out.size()));
    out += static_cast<char>(kCr);
}

void buildControllerFrame(std::string& out, int32_t address, char command1, char command2,
                          const std::string& data, uint8_t& crcLo, uint8_t& crcHi) {
    out.clear();
    out += static_cast<char>(kSoh);
    appendAddress(out, address);
    out += command1;
    out += command2;
    out += data;
    out += static_cast<char>(kStx);
    crcLo = crcHi = 0;
    crcUpdate(crcLo, crcHi, reinterpret_cast<const uint8_t*>(out.data()), out.size());
    appendHex(out, crcHi);
    appendHex(out, crcLo);
    out += static_cast<char>(kCr);
}

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void sleepMs(int ms) {
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

std::unique_ptr<TCVComm>& currentLinkSlot() {
    static std::unique_ptr<TCVComm> link;
    return link;
}

std::function<void()>& idleHandlerSlot() {
    static std::function<void()> handler;
    return handler;
}

// Links whose CloseLink came while they were waiting; freed once they are no longer on the stack.
std::vector<std::unique_ptr<TCVComm>>& retiredLinks() {
    static std::vector<std::unique_ptr<TCVComm>> links;
    return links;
}

speed_t speedOf(long baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        default:
            return 0;
    }
}

std::vector<std::string> splitComma(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        parts.push_back(Trim(text.substr(start, comma - start)));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return parts;
}

}  // namespace

void freeRetiredLinks() {
    auto& retired = retiredLinks();
    for (auto it = retired.begin(); it != retired.end();)
        it = ((*it)->inExchange_ || (*it)->holds_ > 0) ? it + 1 : retired.erase(it);
}

const char* LinkResultName(int32_t code) {
    switch (code) {
        case lrNoPort:
            return "no port";
        case lrOk:
            return "success";
        case lrOverflow:
            return "overflow";
        case lrBadChecksum:
            return "checksum error";
        case lrTimeout:
            return "time-out";
        case lrBusy:
            return "link busy";
        default:
            return "unknown result";
    }
}

uint16_t Crc16Arc(const void* data, size_t length) {
    uint8_t lo = 0, hi = 0;
    crcUpdate(lo, hi, static_cast<const uint8_t*>(data), length);
    return static_cast<uint16_t>(hi << 8 | lo);
}

uint8_t XorChecksum(const void* data, size_t length) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    uint8_t x = 0;
    for (size_t i = 0; i < length; ++i) x ^= bytes[i];
    return x;
}

std::string HexByte(uint8_t value) {
    std::string out;
    appendHex(out, value);
    return out;
}

std::string ReaderFrame(int32_t address, char command, const std::string& data) {
    std::string out;
    buildReaderFrame(out, address, command, data);
    return out;
}

std::string ControllerFrame(int32_t address, char command1, char command2,
                            const std::string& data) {
    std::string out;
    uint8_t lo, hi;
    buildControllerFrame(out, address, command1, command2, data, lo, hi);
    return out;
}

std::string PortDevicePath(const IniFile* systemIni, const std::string& port) {
    std::string name = Trim(port);
    std::string digits;
    if (name.size() > 3 && SameText(name.substr(0, 3), "COM"))
        digits = name.substr(3);
    else if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos)
        digits = name;
    else
        return name;  // a device path given directly

    int32_t number = 0;
    if (digits.find_first_not_of("0123456789") != std::string::npos || !ParseInt32(digits, number))
        return name;
    if (number < 1) return std::string();
    std::string key = "COM" + std::to_string(number);
    if (systemIni) {
        std::string mapped = Trim(systemIni->ReadString("Ports", key, ""));
        if (!mapped.empty()) return mapped;
    }
    return "/dev/ttyS" + std::to_string(number - 1);
}

bool ApplyLineSettings(const std::string& settings, termios& tio) {
    std::vector<std::string> parts = splitComma(settings);
    bool ok = parts.size() == 4;
    int32_t baud = 0;
    if (!parts.empty() && ParseInt32(parts[0], baud) && speedOf(baud) != 0) {
        cfsetispeed(&tio, speedOf(baud));
        cfsetospeed(&tio, speedOf(baud));
    } else {
        ok = false;
    }
    if (parts.size() > 1) {
        const std::string& p = parts[1];
        if (SameText(p, "n")) {
            tio.c_cflag &= ~(PARENB | PARODD);
        } else if (SameText(p, "e")) {
            tio.c_cflag |= PARENB;
            tio.c_cflag &= ~PARODD;
        } else if (SameText(p, "o")) {
            tio.c_cflag |= PARENB | PARODD;
        } else {
            ok = false;
        }
    }
    int32_t bits = 0;
    if (parts.size() > 2 && ParseInt32(parts[2], bits) && bits >= 5 && bits <= 8) {
        tio.c_cflag &= ~CSIZE;
        tio.c_cflag |= bits == 5 ? CS5 : bits == 6 ? CS6 : bits == 7 ? CS7 : CS8;
    } else if (parts.size() > 2) {
        ok = false;
    }
    int32_t stop = 0;
    if (parts.size() > 3 && ParseInt32(parts[3], stop) && (stop == 1 || stop == 2)) {
        if (stop == 2)
            tio.c_cflag |= CSTOPB;
        else
            tio.c_cflag &= ~CSTOPB;
    } else if (parts.size() > 3) {
        ok = false;
    }
    return ok;
}

// --- TCVComm -----------------------------------------------------------------------------

TCVComm::TCVComm() {
    request_.reserve(kLinkBufferSize);
}

TCVComm::~TCVComm() {
    Close();
}

int32_t TCVComm::Open(const std::string& devicePath, const std::string& settings, int32_t timeout,
                      int32_t retryCount) {
    Close();
    OpenError.clear();
    DevicePath = devicePath;
    if (devicePath.empty()) {
        OpenError = "no such port";
        return 0;
    }
    // Non-blocking, so that a line without carrier cannot hang the open or the reads.
    int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        OpenError = devicePath + ": " + std::strerror(errno);
        return 0;
    }
    if (!isatty(fd)) {
        OpenError = devicePath + ": not a serial port";
        ::close(fd);
        return 0;
    }
    // Exclusive like a Windows COM port: a second program (or a second link) cannot share it.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        OpenError = devicePath + ": in use by another program";
        ::close(fd);
        return 0;
    }
    if (tcgetattr(fd, &SavedTimeouts) != 0) {
        OpenError = devicePath + ": " + std::strerror(errno);
        ::close(fd);
        return 0;
    }
    ioctl(fd, TIOCEXCL);
    WorkTimeouts = SavedTimeouts;
    cfmakeraw(&WorkTimeouts);
    WorkTimeouts.c_cflag |= CLOCAL | CREAD;
    WorkTimeouts.c_cflag &= ~CRTSCTS;
    WorkTimeouts.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    WorkTimeouts.c_cc[VMIN] = 0;
    WorkTimeouts.c_cc[VTIME] = 0;
    // As with the Windows port functions, settings that do not apply leave the line as it is.
    ApplyLineSettings(settings, WorkTimeouts);
    tcsetattr(fd, TCSANOW, &WorkTimeouts);

    Port = fd;
    Timeout = timeout;
    RetryCount = retryCount;
    return 1;
}

void TCVComm::Close() {
    if (Port < 0) return;
    tcflush(Port, TCIOFLUSH);
    tcsetattr(Port, TCSANOW, &SavedTimeouts);
    ioctl(Port, TIOCNXCL);
    ::close(Port);  // also drops the lock
    Port = -1;
}

void TCVComm::computeCrc(const uint8_t* data, size_t length) {
    CrcLo = CrcHi = 0;
    crcUpdate(CrcLo, CrcHi, data, length);
}

int32_t TCVComm::ReaderExchange(int32_t address, char command, const std::string& data) {
    if (Port < 0) return lrNoPort;
    if (inExchange_) return lrBusy;  // an idle handler must not start a nested exchange
    buildReaderFrame(request_, address, command, data);
    inExchange_ = true;
    writeRequest();
    int32_t result = collectReply(false);
    inExchange_ = false;
    return result;
}

int32_t TCVComm::ControllerExchange(int32_t address, char command1, char command2,
                                    const std::string& data) {
    if (Port < 0) return lrNoPort;
    if (inExchange_) return lrBusy;
    buildControllerFrame(request_, address, command1, command2, data, CrcLo, CrcHi);
    inExchange_ = true;
    writeRequest();
    int32_t result = collectReply(true);
    inExchange_ = false;
    return result;
}

void TCVComm::idle() {
    if (OnIdle) OnIdle();
}

// One write of the whole frame. Its outcome is not examined (a reply that does not come is a
// time-out), but a line that accepts nothing must not hang the program: give up after Timeout.
void TCVComm::writeRequest() {
    const char* p = request_.data();
    size_t left = request_.size();
    int64_t start = nowMs();
    while (left > 0 && Port >= 0) {
        ssize_t n = ::write(Port, p, left);
        if (n > 0) {
            p += n;
            left -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return;
        pollfd pfd{Port, POLLOUT, 0};
        poll(&pfd, 1, 1);
        idle();
        if (nowMs() - start > Timeout) return;
    }
}

// 1 when a byte came, 0 when none came within about a millisecond.
int TCVComm::readByte(uint8_t& byte) {
    // A byte already queued needs no wait (the descriptor is non-blocking).
    if (::read(Port, &byte, 1) == 1) return 1;
    pollfd pfd{Port, POLLIN, 0};
    const timespec oneMs{0, 1000000L};
    int ready = ppoll(&pfd, 1, &oneMs, nullptr);
    if (ready > 0 && (pfd.revents & POLLIN)) {
        ssize_t n = ::read(Port, &byte, 1);
        if (n == 1) return 1;
    }
    // A hung-up or failing line reports ready at once; keep the millisecond cadence anyway.
    if (ready != 0) sleepMs(1);
    return 0;
}

int32_t TCVComm::collectReply(bool controllerReply) {
    const int64_t start = nowMs();
    int64_t elapsed = 0;
    size_t length = 0;
    size_t covered = 0;  // controller reply: bytes up to and including the 0x04; 0 = none yet
    for (;;) {
        if (Port < 0) return lrNoPort;  // closed by the idle handler
        uint8_t byte = 0;
        if (readByte(byte)) {
            if (byte == kEtx) {
                length = 0;  // a reply starts here; anything before it was noise
                covered = 0;
            }
            reply_[length++] = byte;
            if (length == kLinkBufferSize) return lrOverflow;
            if (controllerReply && byte == kEot) covered = length;
            if (byte != kCr) continue;

            if (!controllerReply) {
                // At least two bytes must come before the two check digits.
                if (length < 5) return lrBadChecksum;
                uint8_t x = XorChecksum(reply_, length - 3);
                if (reply_[length - 3] != kHexDigits[x >> 4] ||
                    reply_[length - 2] != kHexDigits[x & 0x0F])
                    return lrBadChecksum;
                ReplyData.assign(reinterpret_cast<const char*>(reply_), length);
                return lrOk;
            }
            // Without a 0x04, or with fewer than four digits after it, nothing can be checked.
            if (covered == 0 || length < covered + 5) return lrBadChecksum;
            computeCrc(reply_, covered);
            const char digits[4] = {kHexDigits[CrcHi >> 4], kHexDigits[CrcHi & 0x0F],
                                    kHexDigits[CrcLo >> 4], kHexDigits[CrcLo & 0x0F]};
            for (int i = 0; i < 4; ++i)
                if (reply_[covered + i] != digits[i]) return lrBadChecksum;
            ReplyData.assign(reinterpret_cast<const char*>(reply_), covered - 1);
            return lrOk;
        }
        idle();
        if (Port < 0) return lrNoPort;
        elapsed = nowMs() - start;
        if (elapsed < 0) elapsed = -elapsed;
        if (elapsed > Timeout) return lrTimeout;
    }
}

// --- The current link ------------------------------------------------------------------------

int32_t OpenLink(const IniFile* systemIni, const std::string& port, const std::string& settings,
                 int32_t timeout, int32_t retryCount) {
    std::unique_ptr<TCVComm>& current = currentLinkSlot();
    if (current && (current->IsOpen() || current->InExchange())) return lrBusy;
    freeRetiredLinks();
    current = std::make_unique<TCVComm>();
    current->OnIdle = idleHandlerSlot();
    return current->Open(PortDevicePath(systemIni, port), settings, timeout, retryCount);
}

int32_t OpenLink(const IniFile& systemIni, int32_t comPort, const std::string& baudRate,
                 int32_t timeOut, int32_t retryCount) {
    return OpenLink(&systemIni, "COM" + std::to_string(comPort), baudRate, timeOut, retryCount);
}

void CloseLink() {
    std::unique_ptr<TCVComm>& current = currentLinkSlot();
    freeRetiredLinks();
    if (!current) return;
    current->Close();
    // A link still in use further up the stack stays alive until that use has ended.
    if (current->inExchange_ || current->holds_ > 0) retiredLinks().push_back(std::move(current));
    current.reset();
}

TCVComm* CurrentLink() {
    return currentLinkSlot().get();
}

std::string LinkOpenError() {
    TCVComm* link = CurrentLink();
    return link ? link->OpenError : std::string("no link");
}

void SetLinkIdleHandler(std::function<void()> handler) {
    idleHandlerSlot() = std::move(handler);
    if (TCVComm* link = CurrentLink()) link->OnIdle = idleHandlerSlot();
}

void LinkPause(int ms) {
    const int64_t start = nowMs();
    for (;;) {
        int64_t left = ms - (nowMs() - start);
        if (left <= 0) return;
        if (TCVComm* link = CurrentLink(); link && link->OnIdle)
            link->OnIdle();
        else if (idleHandlerSlot())
            idleHandlerSlot()();
        if (ms - (nowMs() - start) > 0) sleepMs(1);
    }
}
