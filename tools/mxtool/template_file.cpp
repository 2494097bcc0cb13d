#include "template_file.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace mxtool {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string TemplateText(const uint8_t* bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(2 * TemplateBytes);
    for (int i = 0; i < TemplateBytes; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

bool ReadTemplateFile(const std::string& path, TemplateFile& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    const std::vector<char> data((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
    if (data.size() == TemplateBytes) {
        std::memcpy(out.bytes.data(), data.data(), TemplateBytes);
        out.form = TemplateForm::Raw;
        return true;
    }
    // The text form, allowing surrounding white space (a final newline).
    size_t begin = 0, end = data.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(data[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(data[end - 1]))) --end;
    if (end - begin != 2 * TemplateBytes) {
        error = path + ": neither 384 raw bytes nor 768 hexadecimal characters (" +
                std::to_string(data.size()) + " bytes)";
        return false;
    }
    for (int i = 0; i < TemplateBytes; ++i) {
        const int hi = HexDigit(data[begin + 2 * i]), lo = HexDigit(data[begin + 2 * i + 1]);
        if (hi < 0 || lo < 0) {
            error = path + ": character " + std::to_string(2 * i + (hi < 0 ? 1 : 2)) +
                    " is not a hexadecimal digit";
            return false;
        }
        out.bytes[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    out.form = TemplateForm::Text;
    return true;
}

bool WriteTemplateFile(const std::string& path, const TemplateFile& file, std::string& error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (file.form == TemplateForm::Raw) {
        out.write(reinterpret_cast<const char*>(file.bytes.data()), TemplateBytes);
    } else {
        out << TemplateText(file.bytes.data());
    }
    out.close();
    if (!out) {
        error = path + ": cannot write";
        return false;
    }
    return true;
}

}  // namespace mxtool
