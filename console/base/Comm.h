// The serial link to the readers and controllers on the RS-485 bus: one link object owns the
// port and offers the two request/response exchanges (reader frame, controller frame). Plain
// C++ over POSIX termios; while an exchange waits it runs an idle handler that the console sets
// to process pending interface events, so this code never depends on a toolkit.
#pragma once

#include <termios.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class IniFile;

// Result codes of an exchange. Callers treat lrOk as success and anything else as failure.
enum LinkResult : int32_t {
    lrNoPort = 0,       // the link has no port; nothing was sent
    lrOk = 1,           // a complete reply with correct check digits arrived
    lrOverflow = 2,     // 1024 bytes were collected without a CR
    lrBadChecksum = 3,  // the check digits differ, or the reply is too short to carry them
    lrTimeout = 4,      // no complete reply within Timeout milliseconds
    lrBusy = 5,         // another device action holds the link; nothing was opened or sent
};

// Short English name of a result code, for tools and logs ("time-out", ...).
const char* LinkResultName(int32_t code);

constexpr size_t kLinkBufferSize = 1024;

// --- Framing -----------------------------------------------------------------------------

// CRC-16/ARC (reflected 0x8005, initial 0, no final xor), computed from the two byte tables.
uint16_t Crc16Arc(const void* data, size_t length);
// Exclusive or of all bytes.
uint8_t XorChecksum(const void* data, size_t length);
// Two upper-case hex digits of `value`, high nibble first.
std::string HexByte(uint8_t value);

// TAB 'I' address(2) command data XOR(2 hex) CR.
std::string ReaderFrame(int32_t address, char command, const std::string& data);
// SOH address(2) command1 command2 data STX CRC(4 hex) CR.
std::string ControllerFrame(int32_t address, char command1, char command2, const std::string& data);

// --- Ports ---------------------------------------------------------------------------------

// Device path of a port name: "COMn" (or just "n") through section "Ports" of `systemIni`
// ("COM1=/dev/ttyUSB0"), else /dev/ttyS<n-1>; anything else is taken as a path. Empty when a
// COM number is below 1.
std::string PortDevicePath(const IniFile* systemIni, const std::string& port);

// Applies a settings text like "19200,e,8,1" (baud, parity n/e/o, data bits, stop bits) to
// `tio`. Parts that do not parse leave that part of `tio` as it was; returns false then.
bool ApplyLineSettings(const std::string& settings, termios& tio);

// --- The link object -------------------------------------------------------------------------

class TCVComm {
  public:
    TCVComm();
    ~TCVComm();
    TCVComm(const TCVComm&) = delete;
    TCVComm& operator=(const TCVComm&) = delete;

    // Opens `devicePath` exclusively, makes the line raw with `settings`, stores the time-out
    // (ms) and the retry count. 1 when the port opened, else 0 (OpenError says why).
    int32_t Open(const std::string& devicePath, const std::string& settings, int32_t timeout,
                 int32_t retryCount);
    // Discards pending input and output, puts the saved line settings back and closes.
    void Close();
    bool IsOpen() const { return Port >= 0; }
    // True while an exchange is collecting its reply.
    bool InExchange() const { return inExchange_; }

    int32_t ReaderExchange(int32_t address, char command, const std::string& data);
    int32_t ControllerExchange(int32_t address, char command1, char command2,
                               const std::string& data);

    // Run while waiting for bytes (about every millisecond when the line is idle).
    std::function<void()> OnIdle;

    int Port = -1;            // file descriptor; -1 before opening
    termios WorkTimeouts{};   // raw line with the requested settings, VMIN=0/VTIME=0
    termios SavedTimeouts{};  // the line as found at opening; put back at closing
    uint8_t CrcLo = 0;        // CRC register of the last computation
    uint8_t CrcHi = 0;
    std::string RequestData;  // data part of the next request, formatted by the commands
    std::string ReplyData;    // reply of the last successful exchange, as delivered
    std::string ReplyText;    // working copy the commands cut into fields
    int32_t LastResult = lrNoPort;
    int32_t Timeout = 0;     // reply time-out, ms
    int32_t RetryCount = 0;  // attempts per command
    std::string DevicePath;  // what was opened
    std::string OpenError;   // why the last Open failed

  private:
    friend void CloseLink();
    friend class LinkHold;
    friend void freeRetiredLinks();
    void computeCrc(const uint8_t* data, size_t length);
    void writeRequest();
    int32_t collectReply(bool controllerReply);
    int readByte(uint8_t& byte);
    void idle();

    std::string request_;                  // reused frame buffer
    uint8_t reply_[kLinkBufferSize] = {};  // reply collection buffer
    bool inExchange_ = false;
    int holds_ = 0;  // commands running on this link (LinkHold)
};

// Keeps a link object alive while a command runs on it: a CloseLink from an idle handler
// (during an exchange or a pause between attempts) closes the port but frees the object only
// once the command has let go.
class LinkHold {
  public:
    explicit LinkHold(TCVComm* link) : link_(link) {
        if (link_) ++link_->holds_;
    }
    ~LinkHold() {
        if (link_) --link_->holds_;
    }
    LinkHold(const LinkHold&) = delete;
    LinkHold& operator=(const LinkHold&) = delete;

  private:
    TCVComm* link_;
};

// --- The current link ------------------------------------------------------------------------

// Replaces the current link by a new one and opens it on `port` ("COMn", "n" or a device
// path; COM numbers map through `systemIni`, which may be null). Returns 1 when the port
// opened, 0 when it did not (the new link stays current without a port), and lrBusy when the
// current link is still open: a device action is running, so nothing is replaced or opened.
int32_t OpenLink(const IniFile* systemIni, const std::string& port, const std::string& settings,
                 int32_t timeout, int32_t retryCount);
// The console's form: its system.ini and the values ComPort, BaudRate, TimeOut, RetryCount.
int32_t OpenLink(const IniFile& systemIni, int32_t comPort, const std::string& baudRate,
                 int32_t timeOut, int32_t retryCount);
// Closes and frees the current link. Called while that link waits for a reply (from the idle
// handler), it closes the port at once (the wait returns lrNoPort) and frees the object later.
void CloseLink();
// The current link, or null.
TCVComm* CurrentLink();
// Why the current link failed to open (empty when it opened).
std::string LinkOpenError();

// The idle handler every new link gets (the console: process pending interface events).
void SetLinkIdleHandler(std::function<void()> handler);
// Waits `ms` milliseconds, running the idle handler about every millisecond.
void LinkPause(int ms);
