#include "Bus.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "Comm.h"
#include "Cvt80.h"
#include "TextOps.h"

namespace sim {

namespace {

constexpr char kTab = 0x09, kSoh = 0x01, kStx = 0x02, kEtx = 0x03, kEot = 0x04, kCr = 0x0D;
constexpr size_t kMaxFrame = 4096;

const long kBaudOfIndex[12] = {4800,  4800,  9600,  9600,  19200,  19200,
                               38400, 38400, 57600, 57600, 115200, 115200};

std::string twoDigits(int n) {
    char b[16];
    std::snprintf(b, sizeof b, "%02d", n);
    return b;
}

bool allDigits(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

bool parseNumber(const std::string& s, int& value) {
    int32_t v = 0;
    if (!allDigits(Trim(s)) || !ParseInt32(s, v)) return false;
    value = v;
    return true;
}

int baudIndexOf(const std::string& text) {
    if (text == "A") return 10;
    if (text == "B") return 11;
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '9') return text[0] - '0';
    return -1;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(Trim(part));
    return parts;
}

// "5" or "5@3": a number with an optional baud index.
bool parseDevice(const std::string& item, int& number, int& baudIndex) {
    size_t at = item.find('@');
    baudIndex = 5;
    if (at != std::string::npos && !parseNumber(item.substr(at + 1), baudIndex)) return false;
    if (baudIndex < 0 || baudIndex > 11) return false;
    return parseNumber(item.substr(0, at), number) && number >= 0 && number <= 99;
}

std::string readerReply(const Reader& reader, char letter, const std::string& data) {
    std::string r;
    r += kEtx;
    r += '0';  // status: command accepted
    r += twoDigits(reader.address);
    r += letter;
    r += data;
    r += HexByte(XorChecksum(r.data(), r.size()));
    r += kCr;
    return r;
}

std::string controllerReply(std::string content) {
    content += kEot;
    uint16_t crc = Crc16Arc(content.data(), content.size());
    content += HexByte(static_cast<uint8_t>(crc >> 8));
    content += HexByte(static_cast<uint8_t>(crc & 0xFF));
    content += kCr;
    return content;
}

std::string padRight(const std::string& text, size_t width, char fill) {
    return text.size() >= width ? text : text + std::string(width - text.size(), fill);
}

}  // namespace

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char b[8];
            std::snprintf(b, sizeof b, "\\u%04x", c);
            out += b;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

Bus::Bus() : random_(12345) {}

void Bus::SetVersion(const std::string& version) {
    for (Reader& r : readers_) r.version = version;
}

bool Bus::Configure(const std::string& layout, std::string& error) {
    readers_.clear();
    controllers_.clear();
    for (const std::string& group : split(layout, ';')) {
        if (group.empty()) continue;
        size_t colon = group.find(':');
        int ctl = 0, ctlBaud = 5;
        if (colon == std::string::npos || !parseDevice(group.substr(0, colon), ctl, ctlBaud)) {
            error = "bad layout group '" + group + "' (expected C:R,R,...)";
            return false;
        }
        if (ctl != 0) {
            if (controller(ctl)) {
                error = "controller " + std::to_string(ctl) + " given twice";
                return false;
            }
            Controller c;
            c.address = ctl;
            c.baudIndex = ctlBaud;
            controllers_.push_back(c);
        }
        for (const std::string& item : split(group.substr(colon + 1), ',')) {
            int no = 0, baud = 5;
            if (!parseDevice(item, no, baud) || no < 1) {
                error = "bad reader '" + item + "' in layout";
                return false;
            }
            if (ctl == 0 ? directReader(no) != nullptr : readerBehind(ctl, no) != nullptr) {
                error = "reader " + std::to_string(no) + " given twice";
                return false;
            }
            Reader r;
            r.controller = ctl;
            r.layoutNo = no;
            r.address = no;
            r.baudIndex = baud;
            char serial[16];
            std::snprintf(serial, sizeof serial, "80%03d%03d", ctl, no);
            r.serial = serial;
            r.version = "02.10-15";
            readers_.push_back(r);
        }
    }
    return true;
}

// "0.1:silent;3.5:badcheck=2,delay=100;3:noise=20"
bool Bus::AddFaults(const std::string& spec, std::string& error) {
    for (const std::string& entry : split(spec, ';')) {
        if (entry.empty()) continue;
        size_t colon = entry.find(':');
        if (colon == std::string::npos) {
            error = "bad fault '" + entry + "' (expected DEVICE:FAULT[,FAULT])";
            return false;
        }
        std::string target = entry.substr(0, colon);
        Fault* fault = nullptr;
        size_t dot = target.find('.');
        int c = 0, r = 0;
        if (dot == std::string::npos) {
            if (parseNumber(target, c))
                if (Controller* ctl = controller(c)) fault = &ctl->fault;
        } else if (parseNumber(target.substr(0, dot), c) &&
                   parseNumber(target.substr(dot + 1), r)) {
            for (Reader& reader : readers_)
                if (reader.controller == c && reader.layoutNo == r) fault = &reader.fault;
        }
        if (!fault) {
            error = "fault for unknown device '" + target + "'";
            return false;
        }
        for (const std::string& item : split(entry.substr(colon + 1), ',')) {
            size_t eq = item.find('=');
            std::string name = item.substr(0, eq);
            int value = 0;
            bool hasValue = eq != std::string::npos && parseNumber(item.substr(eq + 1), value);
            if (eq != std::string::npos && !hasValue) {
                error = "bad value in fault '" + item + "'";
                return false;
            }
            if (name == "silent")
                fault->silent = true;
            else if (name == "badcheck")
                fault->badCheck = hasValue ? value : -1;
            else if (name == "noise")
                fault->noise = hasValue ? value : 16;
            else if (name == "junk")
                fault->junk = hasValue ? value : 16;
            else if (name == "delay" && hasValue)
                fault->delayMs = value;
            else if (name == "silent-after" && hasValue)
                fault->silentAfter = value;
            else if (name == "drop" && hasValue)
                fault->drop = value;
            else {
                error = "unknown fault '" + item + "'";
                return false;
            }
        }
    }
    return true;
}

// "3:7=000000001234ABCD": card number 7 of controller 3.
bool Bus::AddCard(const std::string& spec, std::string& error) {
    size_t colon = spec.find(':'), eq = spec.find('=');
    int c = 0, no = 0;
    if (colon == std::string::npos || eq == std::string::npos || eq < colon ||
        !parseNumber(spec.substr(0, colon), c) ||
        !parseNumber(spec.substr(colon + 1, eq - colon - 1), no) || !controller(c)) {
        error = "bad card '" + spec + "' (expected CONTROLLER:CARDNO=CARDID)";
        return false;
    }
    controller(c)->cards[no] = spec.substr(eq + 1);
    return true;
}

Reader* Bus::directReader(int address) {
    for (Reader& r : readers_)
        if (r.controller == 0 && r.address == address) return &r;
    return nullptr;
}

Reader* Bus::readerBehind(int ctl, int address) {
    for (Reader& r : readers_)
        if (r.controller == ctl && r.address == address) return &r;
    return nullptr;
}

Controller* Bus::controller(int address) {
    for (Controller& c : controllers_)
        if (c.address == address) return &c;
    return nullptr;
}

std::string Bus::GeneratedTemplate(uint32_t seed) {
    // A plausible format-D template of a 280 x 320 image: 8-byte header, minutiae sorted by y
    // then x, a 17 x 20 grid of 4-bit directions, zeros up to 384 bytes.
    std::mt19937 rng(seed);
    const int gw = 17, gh = 20;
    const int count = 25 + static_cast<int>(rng() % 26);
    uint8_t t[384] = {};
    t[0] = 0x44;
    t[1] = static_cast<uint8_t>(count);
    t[2] = gw;
    t[3] = gh;
    t[4] = static_cast<uint8_t>(80 + rng() % 60);
    t[5] = 34;
    t[6] = 'c';
    t[7] = 'v';
    std::vector<std::pair<int, int>> points;
    for (int i = 0; i < count; ++i)
        points.emplace_back(static_cast<int>(10 + rng() % 140), static_cast<int>(8 + rng() % 124));
    std::sort(points.begin(), points.end());  // (y, x)
    int p = 8;
    for (auto [y, x] : points) {
        t[p++] = static_cast<uint8_t>(x);
        t[p++] = static_cast<uint8_t>(y);
        t[p++] = static_cast<uint8_t>(rng() % 256);
        t[p++] = static_cast<uint8_t>((rng() % 2) << 7 | rng() % 40);
    }
    for (int cell = 0; cell < gw * gh; cell += 2) {
        auto nibble = [&](int c) {
            int row = c / gw, col = c % gw;
            bool outside = row < 2 || row >= gh - 2 || col < 1 || col >= gw - 1;
            return outside ? 15 : static_cast<int>((row + col + rng() % 3) % 15);
        };
        int hi = nibble(cell), lo = cell + 1 < gw * gh ? nibble(cell + 1) : 0;
        t[p++] = static_cast<uint8_t>(hi << 4 | lo);
    }
    std::string text;
    for (uint8_t b : t) text += HexByte(b);
    return text;
}

std::string Bus::enrolledTemplate(const Reader& reader, int user) const {
    if (!templateDir_.empty()) {
        std::ifstream in(templateDir_ + "/" + std::to_string(user) + ".txt");
        if (in) {
            std::string text, word;
            while (in >> word) text += word;
            for (char& c : text)
                if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
            return text;
        }
    }
    return GeneratedTemplate(
        static_cast<uint32_t>((reader.controller * 100 + reader.layoutNo) * 10000 + user));
}

void Bus::Receive(const uint8_t* data, size_t length, long lineBaud, std::vector<Output>& out) {
    for (size_t i = 0; i < length; ++i) {
        char c = static_cast<char>(data[i]);
        if (c == kTab || c == kSoh) {  // a frame starts; an unfinished one is dropped
            if (inFrame_) ++badFrames_;
            pending_.assign(1, c);
            inFrame_ = true;
            continue;
        }
        if (!inFrame_) continue;
        pending_ += c;
        if (c == kCr) {
            inFrame_ = false;
            handleFrame(pending_, lineBaud, out);
        } else if (pending_.size() > kMaxFrame) {
            inFrame_ = false;
            ++badFrames_;
        }
    }
}

void Bus::handleFrame(const std::string& frame, long lineBaud, std::vector<Output>& out) {
    if (frame[0] == kTab)
        handleReaderFrame(frame, lineBaud, out);
    else
        handleControllerFrame(frame, lineBaud, out);
}

// TAB 'I' AA cmd data XX CR
void Bus::handleReaderFrame(const std::string& frame, long lineBaud, std::vector<Output>& out) {
    const size_t n = frame.size();
    if (n < 8 || frame[1] != 'I' ||
        HexByte(XorChecksum(frame.data(), n - 3)) != frame.substr(n - 3, 2) ||
        !allDigits(frame.substr(2, 2))) {
        ++badFrames_;
        return;
    }
    requests_.push_back(frame);
    Reader* reader = directReader(std::stoi(frame.substr(2, 2)));
    if (!reader) return;
    ++reader->frames;
    if (lineBaud != 0 && kBaudOfIndex[reader->baudIndex] != lineBaud) return;  // cannot hear it
    if (!admit(reader->fault)) return;
    std::string reply;
    int extraDelay = 0;
    const char letter = frame[4];
    if (!readerCommand(*reader, false, letter, frame.substr(5, n - 8), reply, extraDelay)) return;
    emit(&reader->fault, nullptr, false, readerReply(*reader, letter, reply),
         reader->fault.delayMs + extraDelay, out);
}

// SOH AA c1 c2 data STX XXXX CR
void Bus::handleControllerFrame(const std::string& frame, long lineBaud, std::vector<Output>& out) {
    const size_t n = frame.size();
    if (n < 11 || frame[n - 6] != kStx || !allDigits(frame.substr(1, 2))) {
        ++badFrames_;
        return;
    }
    uint16_t crc = Crc16Arc(frame.data(), n - 5);
    if (HexByte(static_cast<uint8_t>(crc >> 8)) + HexByte(static_cast<uint8_t>(crc & 0xFF)) !=
        frame.substr(n - 5, 4)) {
        ++badFrames_;
        return;
    }
    requests_.push_back(frame);
    Controller* ctl = controller(std::stoi(frame.substr(1, 2)));
    if (!ctl) return;
    ++ctl->frames;
    if (lineBaud != 0 && kBaudOfIndex[ctl->baudIndex] != lineBaud) return;
    if (!admit(ctl->fault)) return;
    const char c1 = frame[3], c2 = frame[4];
    const std::string data = frame.substr(5, n - 11);
    std::string header;
    header += kEtx;
    header += twoDigits(ctl->address);
    header += c1;
    header += c2;

    if (c1 == 'D' && c2 == 'O') {  // controller mode
        if (data != "0" && data != "1") return;
        ctl->mode = data[0] - '0';
        emit(&ctl->fault, nullptr, true, controllerReply(header), ctl->fault.delayMs, out);
        return;
    }
    if (c1 == 'H' && c2 == 'E') {  // card ID by card number
        int cardNo = 0;
        if (data.size() != 4 || !parseNumber(data, cardNo)) return;
        auto it = ctl->cards.find(cardNo);
        std::string card = it == ctl->cards.end() ? std::string(16, '0') : it->second;
        emit(&ctl->fault, nullptr, true, controllerReply(header + card), ctl->fault.delayMs, out);
        return;
    }
    if (c1 == 'A' && c2 == 'E') {  // controller line settings
        int index = baudIndexOf(data);
        if (index < 0) return;
        emit(&ctl->fault, nullptr, true, controllerReply(header), ctl->fault.delayMs, out);
        ctl->baudIndex = index;  // after the reply, which still goes out at the old speed
        return;
    }
    if (c1 != 'D' || (c2 != 'P' && c2 != 'D') || data.size() < 3 || data[0] != 'I') return;

    // A relayed reader command: I, the reader number (one or two digits), letter, data.
    size_t k = 1;
    while (k < data.size() && data[k] >= '0' && data[k] <= '9') ++k;
    if (k == 1 || k >= data.size()) return;
    const int readerNo = std::stoi(data.substr(1, k - 1));
    const char letter = data[k];
    const std::string readerData = data.substr(k + 1);
    Reader* reader = nullptr;
    if (letter == 'C') {
        // Addressed to reader 01 but meant for the reader with this serial number.
        for (Reader& r : readers_)
            if (r.controller == ctl->address && readerData.size() > kSerialLength &&
                r.serial == readerData.substr(0, kSerialLength))
                reader = &r;
    } else {
        reader = readerBehind(ctl->address, readerNo);
    }
    if (!reader) return;
    ++reader->frames;
    if (!admit(reader->fault)) return;
    if (letter == 'P' && ctl->mode != 0) return;  // relayed template traffic needs mode 0
    std::string reply;
    int extraDelay = 0;
    std::string commandData =
        letter == 'C' ? readerData.substr(0, kSerialLength) + "," + readerData.substr(kSerialLength)
                      : readerData;
    if (!readerCommand(*reader, true, letter, commandData, reply, extraDelay)) return;
    std::string content = header + "I" + twoDigits(reader->address);
    if (letter != 'V') content += letter;
    emit(&reader->fault, &ctl->fault, true, controllerReply(content + reply),
         reader->fault.delayMs + ctl->fault.delayMs + extraDelay, out);
}

bool Bus::readerCommand(Reader& reader, bool relayed, char letter, const std::string& data,
                        std::string& reply, int& extraDelay) {
    int user = 0;
    auto userField = [&](size_t length) {
        return data.size() >= 6 && parseNumber(data.substr(0, 6), user) && data.size() == length;
    };
    switch (letter) {
        case 'V':
            if (!data.empty()) return false;
            reply = reader.version;
            return true;
        case 'B':
            if (!data.empty()) return false;
            reply = reader.serial;
            return true;
        case 'A':
            if (data.empty()) {
                reply = reader.runMode;
                return true;
            }
            if (data.size() != 3 || (data[0] != '0' && data[0] != '1') || data[1] < '0' ||
                data[1] > '2' || data[2] < '0' || data[2] > '2')
                return false;
            reader.runMode = data;
            return true;
        case 'E': {
            int index = baudIndexOf(data);
            if (index < 0) return false;
            reader.baudIndex = index;  // the reply was heard at the old speed; the next is not
            return true;
        }
        case 'C': {
            size_t comma = data.find(',');
            int newNo = 0;
            if (comma == std::string::npos || data.substr(0, comma) != reader.serial ||
                !parseNumber(data.substr(comma + 1), newNo) || newNo < 1 || newNo > 99)
                return false;
            reader.address = newNo;
            return true;
        }
        case 'N':
            if (!userField(6)) return false;
            if (user == 0) {
                reader.users.clear();
                extraDelay = clearDelayMs_;
            } else {
                reader.users.erase(user);
            }
            return true;
        case 'M': {
            if (!userField(6)) return false;
            std::string text = enrolledTemplate(reader, user);
            User& u = reader.users[user];
            for (int b = 0; b < 3; ++b) u.banks[b] = TemplateBankText(text, b + 1);
            return true;
        }
        case 'P': {
            if (reader.templateMode != 0 || data.size() < 7 ||
                !parseNumber(data.substr(0, 6), user))
                return false;
            int bank = data[6] - '0';
            if (data.size() == 7) {  // read
                if (bank < 0 || bank > 3) return false;
                auto it = reader.users.find(user);
                std::string text;
                // Bank 0 answers like bank 1; an empty bank reads as 256 zeros.
                if (it != reader.users.end()) text = it->second.banks[bank == 0 ? 0 : bank - 1];
                reply = padRight(text, kBankLength, '0');
                return true;
            }
            if (bank < 1 || bank > 3) return false;
            std::string text = data.substr(7);
            if (!std::all_of(text.begin(), text.end(), isHexDigit)) return false;
            reader.users[user].banks[bank - 1] = text;
            return true;
        }
        case 'O': {
            if (data.size() == 6) {
                if (!parseNumber(data, user)) return false;
                auto it = reader.users.find(user);
                std::string card = it == reader.users.end() ? std::string() : it->second.cardId;
                int duress = it == reader.users.end() ? 0 : it->second.duress;
                card = padRight(card.substr(0, kCardIdLength), kCardIdLength, '0');
                // Direct: flag, two reserved characters, card. The controller drops the two.
                reply = std::to_string(duress) + (relayed ? "" : "00") + card;
                return true;
            }
            if (data.size() < 8 || !parseNumber(data.substr(0, 6), user) ||
                (data[6] != '0' && data[6] != '1'))
                return false;
            User& u = reader.users[user];
            u.duress = data[6] - '0';
            u.cardId = data.substr(7);
            return true;
        }
        case 'L':
            if (data != "0" && data != "1") return false;
            reader.templateMode = data[0] - '0';
            return true;
        default:
            return false;
    }
}

bool Bus::admit(Fault& fault) {
    ++fault.seen;
    if (fault.silent) return false;
    if (fault.seen <= fault.drop) return false;
    if (fault.silentAfter >= 0 && fault.answered >= fault.silentAfter) return false;
    return true;
}

void Bus::emit(Fault* primary, Fault* secondary, bool controllerReply, std::string reply,
               int delayMs, std::vector<Output>& out) {
    std::string prefix;
    bool corrupt = false;
    for (Fault* f : {primary, secondary}) {
        if (!f) continue;
        ++f->answered;
        if (f->badCheck < 0 || f->corrupted < f->badCheck) {
            corrupt = true;
            ++f->corrupted;
        }
        for (int i = 0; i < f->noise; ++i)
            prefix += static_cast<char>('!' + random_() % ('~' - '!' + 1));
        for (int i = 0; i < f->junk; ++i) prefix += static_cast<char>(random_() % 256);
    }
    if (corrupt) {
        // Wrong check digit: one of the two (reader) or four (controller) digits, in turn.
        const size_t digits = controllerReply ? 4 : 2;
        const size_t place =
            reply.size() - 1 - digits + static_cast<size_t>(corruptTurn_++) % digits;
        reply[place] = reply[place] == '0' ? '1' : '0';
    }
    out.push_back(Output{prefix + reply, delayMs});
}

std::string Bus::StateJson() const {
    std::ostringstream j;
    j << "{\n  \"readers\": [";
    for (size_t i = 0; i < readers_.size(); ++i) {
        const Reader& r = readers_[i];
        j << (i ? "," : "") << "\n    {\"controller\": " << r.controller
          << ", \"reader\": " << r.layoutNo << ", \"address\": " << r.address
          << ", \"serial\": " << JsonString(r.serial) << ", \"version\": " << JsonString(r.version)
          << ", \"run_mode\": " << JsonString(r.runMode) << ", \"baud_index\": " << r.baudIndex
          << ", \"template_mode\": " << r.templateMode << ", \"frames\": " << r.frames
          << ",\n     \"users\": {";
        size_t k = 0;
        for (const auto& [no, u] : r.users) {
            j << (k++ ? "," : "") << "\n       " << JsonString(std::to_string(no))
              << ": {\"banks\": [" << JsonString(u.banks[0]) << ", " << JsonString(u.banks[1])
              << ", " << JsonString(u.banks[2])
              << "], \"template\": " << JsonString(u.banks[0] + u.banks[1] + u.banks[2])
              << ", \"duress\": " << u.duress << ", \"card_id\": " << JsonString(u.cardId) << "}";
        }
        j << (k ? "\n     " : "") << "}}";
    }
    j << "\n  ],\n  \"controllers\": [";
    for (size_t i = 0; i < controllers_.size(); ++i) {
        const Controller& c = controllers_[i];
        j << (i ? "," : "") << "\n    {\"address\": " << c.address << ", \"mode\": " << c.mode
          << ", \"baud_index\": " << c.baudIndex << ", \"frames\": " << c.frames
          << ", \"cards\": {";
        size_t k = 0;
        for (const auto& [no, card] : c.cards)
            j << (k++ ? ", " : "") << JsonString(std::to_string(no)) << ": " << JsonString(card);
        j << "}}";
    }
    j << "\n  ],\n  \"bad_frames\": " << badFrames_ << ",\n  \"requests\": [";
    for (size_t i = 0; i < requests_.size(); ++i)
        j << (i ? "," : "") << "\n    " << JsonString(requests_[i]);
    j << "\n  ]\n}\n";
    return j.str();
}

}  // namespace sim
