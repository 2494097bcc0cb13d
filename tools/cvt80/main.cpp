// cvt80: the console's reader and controller commands from the command line, over the same
// link and command code. Exit 0 on success, 1 on a device failure, 2 on bad usage or a port
// that does not open.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "Comm.h"
#include "Cvt80.h"
#include "IniFile.h"
#include "TextOps.h"

namespace {

const char kUsage[] =
    "usage: cvt80 [--port COMn|PATH] [--settings \"19200,e,8,1\"] [--timeout MS] [--retries N]\n"
    "             COMMAND ...\n"
    "  C is the controller number (0 = reader directly on the line), R the reader number.\n"
    "  serial C R                      reader address and serial number\n"
    "  version C R                     firmware version text\n"
    "  mode C R                        run mode (interface, Wiegand bits, RS-485 bits)\n"
    "  read-template C R USER          prints the 768-character template text\n"
    "  write-template C R USER FILE    writes the template text of FILE (768 hex characters)\n"
    "  read-card C R USER              duress flag and card ID\n"
    "  write-card C R USER DURESS ID   stores the card ID (as the transfer prepares it)\n"
    "  delete C R USER                 deletes a user (USER 0 clears the reader)\n"
    "  enroll C R USER                 starts enrolment on the reader\n"
    "  controller-card A CARDNO        card ID a controller keeps under a card number\n"
    "  scan C R [--save]               finds the reader: the configured port, then COM1-COM16\n"
    "                                  at 19200,e,8,1 (--save writes what was found to\n"
    "                                  system.ini)\n"
    "Defaults for port, settings, time-out and retries come from system.ini here.\n";

constexpr int kExitOk = 0, kExitDevice = 1, kExitUsage = 2;
const char kScanSettings[] = "19200,e,8,1";

struct Options {
    std::string port;
    std::string settings;
    int32_t timeout = 500;
    int32_t retries = 3;
    IniFile systemIni{"system.ini"};
};

[[noreturn]] void usage(const std::string& message) {
    if (!message.empty()) std::fprintf(stderr, "cvt80: %s\n", message.c_str());
    std::fputs(kUsage, stderr);
    std::exit(kExitUsage);
}

int32_t number(const std::string& text, const char* what) {
    int32_t v = 0;
    if (!ParseInt32(text, v)) usage(std::string("bad ") + what + " '" + text + "'");
    return v;
}

// A failed command: names the function and its result code.
int deviceFailure(const char* command, int32_t result) {
    std::fprintf(stderr, "cvt80: %s failed: result %d (%s)\n", command, result,
                 LinkResultName(result));
    return kExitDevice;
}

int openLink(Options& o, const std::string& port, const std::string& settings) {
    int32_t opened = OpenLink(&o.systemIni, port, settings, o.timeout, o.retries);
    if (opened == 1) return kExitOk;
    std::fprintf(stderr, "cvt80: port %s does not open: %s\n", port.c_str(),
                 LinkOpenError().c_str());
    return kExitUsage;
}

// Opens the link, runs `body`, closes the link.
int withLink(Options& o, const std::function<int()>& body) {
    if (int rc = openLink(o, o.port, o.settings)) return rc;
    int rc = body();
    CloseLink();
    return rc;
}

bool readTemplateFile(const std::string& path, std::string& text) {
    std::ifstream in(path);
    if (!in) return false;
    std::string word;
    text.clear();
    while (in >> word) text += word;
    for (char& c : text)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    if (text.size() != kTemplateTextLength) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

// Template mode on, as the transfer and the template reading enter it.
int32_t enterTemplateMode(int32_t c, int32_t r, int controllerPause) {
    if (c == 0) return TemplateMode(r, 0);
    int32_t result = ControllerMode(c, "0");
    if (result != lrOk) return result;
    LinkPause(controllerPause);
    return CtlTemplateMode(c, r, 0);
}

void leaveTemplateMode(int32_t c, int32_t r) {
    if (c == 0) {
        TemplateMode(r, 1);
        return;
    }
    CtlTemplateMode(c, r, 1);
    LinkPause(100);
    ControllerMode(c, "1");
}

int cmdWriteTemplate(int32_t c, int32_t r, int32_t user, const std::string& text) {
    // The transfer's framing of one template: template mode, 2000 ms, three banks with their
    // pauses (20/20/200 ms direct, 100/100/300 ms behind a controller), template mode off.
    int32_t result = enterTemplateMode(c, r, 200);
    if (result != lrOk) {
        leaveTemplateMode(c, r);
        return deviceFailure(c == 0 ? "TemplateMode" : "ControllerMode/CtlTemplateMode", result);
    }
    LinkPause(2000);
    const int pauses[3] = {c == 0 ? 20 : 100, c == 0 ? 20 : 100, c == 0 ? 200 : 300};
    for (int bank = 1; bank <= 3; ++bank) {
        std::string bankText = TemplateBankText(text, bank);
        result = c == 0 ? WriteTemplateBank(r, user, bank, bankText)
                        : CtlWriteTemplateBank(c, r, user, bank, bankText);
        if (result != lrOk) {
            leaveTemplateMode(c, r);
            return deviceFailure(c == 0 ? "WriteTemplateBank" : "CtlWriteTemplateBank", result);
        }
        LinkPause(pauses[bank - 1]);
    }
    leaveTemplateMode(c, r);
    return kExitOk;
}

int cmdReadTemplate(int32_t c, int32_t r, int32_t user) {
    // The template reading's order: template mode, 2000 ms, bank 0 (not used), banks 1-3.
    int32_t result = c == 0 ? TemplateMode(r, 0) : ControllerMode(c, "0");
    LinkPause(c == 0 ? 2000 : 500);
    if (result != lrOk) return deviceFailure(c == 0 ? "TemplateMode" : "ControllerMode", result);
    if (c != 0) {
        CtlTemplateMode(c, r, 0);
        LinkPause(2000);
    }
    std::string text;
    const int pauses[4] = {200, 100, 100, c == 0 ? 0 : 100};
    for (int bank = 0; bank <= 3; ++bank) {
        std::string bankText;
        result = c == 0 ? ReadTemplateBank(r, user, bank, bankText)
                        : CtlReadTemplateBank(c, r, user, bank, bankText);
        if (result != lrOk) {
            // A failed bank never borrows an earlier bank's text: the read fails as a whole.
            leaveTemplateMode(c, r);
            return deviceFailure(c == 0 ? "ReadTemplateBank" : "CtlReadTemplateBank", result);
        }
        if (bank == 1 && (bankText.empty() || bankText.compare(0, 5, "00000") == 0)) {
            leaveTemplateMode(c, r);
            std::fprintf(stderr, "cvt80: No Finger Template at this address!\n");
            return kExitDevice;
        }
        if (bank >= 1) text += bankText;
        if (pauses[bank] > 0) LinkPause(pauses[bank]);
    }
    leaveTemplateMode(c, r);
    if (c == 0) LinkPause(100);
    std::printf("%s\n", text.c_str());
    return kExitOk;
}

int cmdScan(Options& o, int32_t c, int32_t r, bool save) {
    auto readSerial = [&](std::string& serial) {
        int32_t address = 0;
        return c == 0 ? ReadSerial(r, address, serial) : CtlReadSerial(c, r, address, serial);
    };
    std::string serial, foundPort, foundSettings;
    const int32_t configured = o.systemIni.ReadInteger("System", "ComPort", 1);
    const std::string firstPort = o.port.empty() ? "COM" + std::to_string(configured) : o.port;
    const bool tryConfigured = !o.port.empty() || configured > 0;
    if (tryConfigured && OpenLink(&o.systemIni, firstPort, o.settings, o.timeout, o.retries) == 1) {
        if (readSerial(serial) == lrOk) {
            foundPort = firstPort;
            foundSettings = o.settings;
        }
        CloseLink();
    }
    for (int port = 1; foundPort.empty() && port <= 16; ++port) {
        std::string name = "COM" + std::to_string(port);
        if (OpenLink(&o.systemIni, name, kScanSettings, o.timeout, o.retries) != 1) continue;
        if (readSerial(serial) == lrOk) {
            foundPort = name;
            foundSettings = kScanSettings;
            if (save) {
                o.systemIni.WriteInteger("System", "ComPort", port);
                o.systemIni.WriteString("System", "BaudRate", kScanSettings);
            }
        }
        CloseLink();
    }
    if (foundPort.empty()) {
        std::fprintf(stderr, "cvt80: reader not found on any port\n");
        return kExitDevice;
    }
    std::printf("port=%s path=%s settings=%s serial=%s\n", foundPort.c_str(),
                PortDevicePath(&o.systemIni, foundPort).c_str(), foundSettings.c_str(),
                serial.c_str());
    if (OpenLink(&o.systemIni, foundPort, foundSettings, o.timeout, o.retries) != 1) {
        std::fprintf(stderr, "cvt80: port %s does not open again\n", foundPort.c_str());
        return kExitDevice;
    }
    std::string version;
    int32_t result = c == 0 ? ReadVersion(r, version) : CtlReadVersion(c, r, version);
    int rc = kExitOk;
    if (result == lrOk) {
        std::printf("version=%s\n", version.c_str());
        LinkPause(100);
        int32_t i = 0, w = 0, b = 0;
        if ((c == 0 ? ReadMode(r, i, w, b) : CtlReadMode(c, r, i, w, b)) == lrOk)
            std::printf("mode=%d%d%d\n", i, w, b);
    } else {
        rc = deviceFailure(c == 0 ? "ReadVersion" : "CtlReadVersion", result);
    }
    CloseLink();
    return rc;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::vector<std::string> args;
    bool portGiven = false, settingsGiven = false, timeoutGiven = false, retriesGiven = false;
    bool save = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage(a + " needs a value");
            return argv[++i];
        };
        if (a == "--port")
            o.port = value(), portGiven = true;
        else if (a == "--settings")
            o.settings = value(), settingsGiven = true;
        else if (a == "--timeout")
            o.timeout = number(value(), "time-out"), timeoutGiven = true;
        else if (a == "--retries")
            o.retries = number(value(), "retry count"), retriesGiven = true;
        else if (a == "--save")
            save = true;
        else if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        } else if (a.size() > 2 && a.compare(0, 2, "--") == 0)
            usage("unknown option " + a);
        else
            args.push_back(a);
    }
    if (!settingsGiven) o.settings = o.systemIni.ReadString("System", "BaudRate", "19200,e,8,1");
    if (!timeoutGiven) o.timeout = o.systemIni.ReadInteger("System", "TimeOut", 500);
    if (!retriesGiven) o.retries = o.systemIni.ReadInteger("System", "RetryCount", 3);
    if (args.empty()) usage("");

    const std::string command = args[0];
    auto need = [&](size_t count) {
        if (args.size() != count + 1)
            usage(command + " takes " + std::to_string(count) + " arguments");
    };
    auto arg = [&](size_t k, const char* what) { return number(args[k], what); };

    if (command == "scan") {
        need(2);
        if (!portGiven) o.port.clear();
        return cmdScan(o, arg(1, "controller number"), arg(2, "reader number"), save);
    }
    if (!portGiven)
        o.port = "COM" + std::to_string(o.systemIni.ReadInteger("System", "ComPort", 1));

    if (command == "controller-card") {
        need(2);
        int32_t a = arg(1, "controller address"), cardNo = arg(2, "card number");
        return withLink(o, [&] {
            std::string card;
            int32_t result = ReadControllerCard(a, cardNo, card);
            if (result != lrOk) return deviceFailure("ReadControllerCard", result);
            std::printf("%s\n", card.c_str());
            return kExitOk;
        });
    }

    const bool known = command == "serial" || command == "version" || command == "mode" ||
                       command == "read-template" || command == "write-template" ||
                       command == "read-card" || command == "write-card" || command == "delete" ||
                       command == "enroll";
    if (!known) usage("unknown command " + command);
    if (args.size() < 3) usage(command + ": controller and reader numbers are missing");
    const int32_t c = arg(1, "controller number"), r = arg(2, "reader number");
    const bool direct = c == 0;

    if (command == "serial") {
        need(2);
        return withLink(o, [&] {
            int32_t address = 0;
            std::string serial;
            int32_t result =
                direct ? ReadSerial(r, address, serial) : CtlReadSerial(c, r, address, serial);
            if (result != lrOk)
                return deviceFailure(direct ? "ReadSerial" : "CtlReadSerial", result);
            std::printf("serial=%s address=%d\n", serial.c_str(), address);
            return kExitOk;
        });
    }
    if (command == "version") {
        need(2);
        return withLink(o, [&] {
            std::string version;
            int32_t result = direct ? ReadVersion(r, version) : CtlReadVersion(c, r, version);
            if (result != lrOk)
                return deviceFailure(direct ? "ReadVersion" : "CtlReadVersion", result);
            std::printf("%s\n", version.c_str());
            return kExitOk;
        });
    }
    if (command == "mode") {
        need(2);
        return withLink(o, [&] {
            int32_t i = 0, w = 0, b = 0;
            int32_t result = direct ? ReadMode(r, i, w, b) : CtlReadMode(c, r, i, w, b);
            if (result != lrOk) return deviceFailure(direct ? "ReadMode" : "CtlReadMode", result);
            std::printf("interface=%d wiegand=%d rs485=%d\n", i, w, b);
            return kExitOk;
        });
    }
    if (command == "read-template") {
        need(3);
        const int32_t user = arg(3, "user number");
        return withLink(o, [&] { return cmdReadTemplate(c, r, user); });
    }
    if (command == "write-template") {
        need(4);
        const int32_t user = arg(3, "user number");
        std::string text;
        if (!readTemplateFile(args[4], text))
            usage("'" + args[4] + "' does not hold a 768-character hex template text");
        return withLink(o, [&] { return cmdWriteTemplate(c, r, user, text); });
    }
    if (command == "read-card") {
        need(3);
        const int32_t user = arg(3, "user number");
        return withLink(o, [&] {
            int32_t duress = 0;
            std::string card;
            int32_t result = direct ? ReadUserCard(r, user, duress, card)
                                    : CtlReadUserCard(c, r, user, duress, card);
            if (result != lrOk)
                return deviceFailure(direct ? "ReadUserCard" : "CtlReadUserCard", result);
            std::printf("duress=%d card=%s\n", duress, card.c_str());
            return kExitOk;
        });
    }
    if (command == "write-card") {
        need(5);
        const int32_t user = arg(3, "user number"), duress = arg(4, "duress flag");
        if (duress != 0 && duress != 1) usage("the duress flag is 0 or 1");
        const std::string cardText = CardTextForReader(args[5]);
        return withLink(o, [&] {
            int32_t result = direct ? WriteUserCard(r, user, duress, cardText)
                                    : CtlWriteUserCard(c, r, user, duress, cardText);
            if (result != lrOk)
                return deviceFailure(direct ? "WriteUserCard" : "CtlWriteUserCard", result);
            return kExitOk;
        });
    }
    if (command == "delete" || command == "enroll") {
        need(3);
        const int32_t user = arg(3, "user number");
        const bool del = command == "delete";
        return withLink(o, [&] {
            int32_t result = del ? (direct ? DeleteUser(r, user) : CtlDeleteUser(c, r, user))
                                 : (direct ? EnrollUser(r, user) : CtlEnrollUser(c, r, user));
            if (result != lrOk)
                return deviceFailure(del ? (direct ? "DeleteUser" : "CtlDeleteUser")
                                         : (direct ? "EnrollUser" : "CtlEnrollUser"),
                                     result);
            return kExitOk;
        });
    }
    usage("unknown command " + command);
}
