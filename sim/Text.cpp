#include "Text.h"

#include <charconv>

namespace sim {

std::string numberText(double x) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, res.ptr);
}

std::string vectorText(const VECTOR3 &v) {
    return numberText(v.x) + " " + numberText(v.y) + " " + numberText(v.z);
}

std::string_view stripLeadingBlanks(std::string_view s) {
    const std::size_t start = s.find_first_not_of(kBlanks);
    return start == std::string_view::npos ? std::string_view() : s.substr(start);
}

std::string_view stripBlanks(std::string_view s) {
    s = stripLeadingBlanks(s);
    const std::size_t end = s.find_last_not_of(kBlanks);
    return end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

}  // namespace sim
