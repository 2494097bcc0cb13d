#include "TextOps.h"

#include <charconv>
#include <vector>

std::string Trim(const std::string& text) {
    size_t b = 0, e = text.size();
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (b < e && blank(text[b])) ++b;
    while (e > b && blank(text[e - 1])) --e;
    return text.substr(b, e - b);
}

bool ParseInt32(const std::string& text, int32_t& value) {
    std::string t = Trim(text);
    if (t.empty()) return false;
    size_t start = (t[0] == '+') ? 1 : 0;
    if (start == t.size()) return false;
    int32_t v = 0;
    auto [ptr, ec] = std::from_chars(t.data() + start, t.data() + t.size(), v);
    if (ec != std::errc() || ptr != t.data() + t.size()) return false;
    if (start == 1 && t.size() > 1 && t[1] == '-') return false;
    value = v;
    return true;
}

int32_t FieldToInt(const std::string& text) {
    int32_t v = 0;
    return ParseInt32(text, v) ? v : 0;
}

int Utf8Length(const std::string& text) {
    int n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

namespace {
// Splits into UTF-8 characters.
std::vector<std::string> characters(const std::string& text) {
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size();) {
        size_t j = i + 1;
        while (j < text.size() && (static_cast<unsigned char>(text[j]) & 0xC0) == 0x80) ++j;
        out.push_back(text.substr(i, j - i));
        i = j;
    }
    return out;
}
}  // namespace

std::string PadLeft(const std::string& text, const std::string& fill, int width) {
    int n = width - Utf8Length(text);
    std::string out;
    for (int i = 0; i < n; ++i) out += fill;
    return out + text;
}

std::string TextBefore(const std::string& text, const std::string& separator) {
    size_t pos = separator.empty() ? std::string::npos : text.find(separator);
    return pos == std::string::npos ? text : text.substr(0, pos);
}

std::string ReverseHexPairs(const std::string& text) {
    std::vector<std::string> chars = characters(text);
    std::string out;
    for (long i = static_cast<long>(chars.size()) - 1; i >= 0; i -= 2) {
        if (i >= 1) out += chars[i - 1] + chars[i];
        else out += chars[0];
    }
    return out;
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}
