// The emulated RS-485 bus: direct readers and controllers with readers behind them. Bytes
// from the line go in, replies (with the time they are due) come out; no I/O here.
#pragma once

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace sim {

// Misbehaviour of one device, set with --faults.
struct Fault {
    bool silent = false;   // never answers
    int badCheck = 0;      // replies with a wrong check digit: N first replies, -1 every one
    int noise = 0;         // printable garbage (no 0x03, no CR) before each reply
    int junk = 0;          // random bytes of any value (CR and 0x03 included) before each reply
    int delayMs = 0;       // reply this much later
    int silentAfter = -1;  // answers this many frames, then stays silent
    int drop = 0;          // ignores the first N frames addressed to it
    int seen = 0;          // frames addressed so far
    int answered = 0;      // replies given so far
    int corrupted = 0;     // replies sent with a wrong check digit so far
};

struct User {
    std::string banks[3];
    int duress = 0;
    std::string cardId;  // as written (the reader keeps the text in the order it came)
};

struct Reader {
    int controller = 0;  // 0: directly on the line
    int layoutNo = 0;    // number given in the layout (also the name used by --faults)
    int address = 0;     // bus number now (SetReaderId changes it)
    std::string serial;
    std::string version;
    std::string runMode = "000";
    int baudIndex = 5;
    int templateMode = 1;  // 0 while template traffic is allowed
    std::map<int, User> users;
    Fault fault;
    int frames = 0;
};

struct Controller {
    int address = 0;
    int mode = 1;  // 0 while relayed template traffic is allowed
    int baudIndex = 5;
    std::map<int, std::string> cards;  // card number -> card ID
    Fault fault;
    int frames = 0;
};

struct Output {
    std::string bytes;
    int delayMs = 0;
};

class Bus {
  public:
    Bus();

    bool Configure(const std::string& layout, std::string& error);
    bool AddFaults(const std::string& spec, std::string& error);
    bool AddCard(const std::string& spec, std::string& error);
    void SetTemplateDir(const std::string& dir) { templateDir_ = dir; }
    void SetClearDelay(int ms) { clearDelayMs_ = ms; }
    void SetVersion(const std::string& version);
    // With a line speed of 0 every device answers whatever its baud index.
    void Receive(const uint8_t* data, size_t length, long lineBaud, std::vector<Output>& out);
    std::string StateJson() const;

    // The template a reader stores on EnrollUser when no file is given: 768 hex characters.
    static std::string GeneratedTemplate(uint32_t seed);

  private:
    void handleFrame(const std::string& frame, long lineBaud, std::vector<Output>& out);
    void handleReaderFrame(const std::string& frame, long lineBaud, std::vector<Output>& out);
    void handleControllerFrame(const std::string& frame, long lineBaud, std::vector<Output>& out);
    // Reply data of a reader command; false: the reader stays silent.
    bool readerCommand(Reader& reader, bool relayed, char letter, const std::string& data,
                       std::string& reply, int& extraDelay);
    bool admit(Fault& fault);
    void emit(Fault* primary, Fault* secondary, bool controllerReply, std::string reply,
              int delayMs, std::vector<Output>& out);
    std::string enrolledTemplate(const Reader& reader, int user) const;
    Reader* directReader(int address);
    Reader* readerBehind(int controller, int address);
    Controller* controller(int address);

    std::vector<Reader> readers_;
    std::vector<Controller> controllers_;
    std::string templateDir_;
    int clearDelayMs_ = 1000;
    std::string pending_;  // frame being received
    bool inFrame_ = false;
    std::vector<std::string> requests_;
    int badFrames_ = 0;
    int corruptTurn_ = 0;
    std::mt19937 random_;
};

std::string JsonString(const std::string& text);

}  // namespace sim
