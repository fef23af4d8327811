#include "project/Resolution.h"

namespace project {

namespace {

bool ParseInt(const std::string& s, int& out) {
    if (s.empty() || s.size() > 9)
        return false;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

} // namespace

bool ParseResolution(const std::string& text, int& width, int& height) {
    const auto x = text.find('x');
    if (x == std::string::npos)
        return false;
    int w = 0;
    int h = 0;
    if (!ParseInt(text.substr(0, x), w) || !ParseInt(text.substr(x + 1, 5), h))
        return false;
    if (w <= 0 || h <= 0)
        return false;
    width = w;
    height = h;
    return true;
}

} // namespace project
