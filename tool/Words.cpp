#include "Words.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace vemosim {

std::string shortNumber(double x, int decimals) {
    if (!std::isfinite(x)) {
        return std::isnan(x) ? "nan" : (x > 0 ? "inf" : "-inf");
    }
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, x);
    std::string s = buffer;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') {
            s.pop_back();
        }
        if (s.back() == '.') {
            s.pop_back();
        }
    }
    return s == "-0" ? "0" : s;
}

std::string shortVector(const VECTOR3 &v) {
    return "(" + shortNumber(v.x) + ", " + shortNumber(v.y) + ", " + shortNumber(v.z) + ")";
}

std::string countOf(std::size_t n, const char *one, const char *many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool parseNumber(std::string_view token, double &value) {
    if (!token.empty() && token.front() == '+') {
        token.remove_prefix(1);
    }
    if (token.empty() || token.front() == '+') {
        return false;
    }
    double v = 0.0;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), v);
    if (ec != std::errc() || end != token.data() + token.size() || !std::isfinite(v)) {
        return false;
    }
    value = v;
    return true;
}

std::string printable(const std::string &s) {
    std::string out = s;
    for (char &c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f) {
            c = '?';
        }
    }
    return out;
}

bool quoted(const std::string &text, std::string &inner, bool toLast) {
    const std::size_t open = text.find('"');
    if (open == std::string::npos) {
        return false;
    }
    const std::size_t close = toLast ? text.rfind('"') : text.find('"', open + 1);
    if (close == std::string::npos || close <= open) {
        return false;
    }
    inner = text.substr(open + 1, close - open - 1);
    return true;
}

bool startsWith(const std::string &s, const char *prefix) {
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

}  // namespace vemosim
