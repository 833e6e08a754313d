#include "net/HttpHelpers.h"

#include "toolkit/SysUtils.h"

#include <algorithm>
#include <cmath>

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           tk::LowerCase(text.substr(0, prefix.size())) == tk::LowerCase(prefix);
}

bool ValidSchemeChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
}

long long ParseDecimal(const std::string& text) {
    std::string t = tk::TrimBlanks(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        negative = t[i++] == '-';
    if (i >= t.size())
        throw tk::EConvertError("'" + text + "' is not a valid integer value");
    long long value = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9' || value > (0x7fffffffffffffffLL - 9) / 10)
            throw tk::EConvertError("'" + text + "' is not a valid integer value");
        value = value * 10 + (t[i] - '0');
    }
    return negative ? -value : value;
}

int StatusCodeOf(const std::string& line) {
    if (line.size() < 10)
        return 0;
    std::string digits = line.substr(9, 3);
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

void ParseURL(const std::string& url, std::string& Proto, std::string& User, std::string& Pass,
              std::string& Host, std::string& Port, std::string& Path) {
    const std::string previous = Path;
    Proto.clear();
    User.clear();
    Pass.clear();
    Host.clear();
    Port.clear();
    Path.clear();
    if (url.empty())
        return;
    auto directoryOf = [](const std::string& path) {
        auto slash = path.rfind('/');
        return slash == std::string::npos ? std::string("/") : path.substr(0, slash + 1);
    };
    if (url.starts_with("./")) {
        Path = directoryOf(previous) + url.substr(2);
        return;
    }
    if (url.starts_with("../")) {
        std::string dir = directoryOf(previous);
        std::string rest = url;
        while (rest.starts_with("../")) {
            rest.erase(0, 3);
            if (dir.size() > 1) {
                dir.pop_back();
                auto slash = dir.rfind('/');
                dir = slash == std::string::npos ? "/" : dir.substr(0, slash + 1);
            }
        }
        Path = dir + rest;
        return;
    }
    std::string rest;
    auto sep = url.find("://");
    bool scheme = sep != std::string::npos && sep > 0 &&
                  std::all_of(url.begin(), url.begin() + static_cast<long>(sep), ValidSchemeChar);
    if (scheme) {
        // Upper-case letters are accepted too: "HTTP://host/" is the same address.
        Proto = tk::LowerCase(url.substr(0, sep));
        rest = url.substr(sep + 3);
    } else if (url[0] == '/' && (url.size() < 2 || url[1] != '/')) {
        Proto = "http";
        Path = url;
        return;
    } else if (url.starts_with("//")) {
        rest = url.substr(2); // the host follows; the scheme is the default one
    } else if (StartsWithNoCase(url, "http:")) {
        Proto = "http";
        rest = url.substr(5);
        rest.erase(0, rest.find_first_not_of('/') == std::string::npos
                          ? rest.size()
                          : rest.find_first_not_of('/'));
    } else if (StartsWithNoCase(url, "mailto:")) {
        Proto = "mailto";
        rest = url.substr(7);
    } else {
        rest = url;
    }
    auto slash = rest.find('/');
    auto query = rest.find('?');
    auto start = std::min(slash, query);
    std::string authority = start == std::string::npos ? rest : rest.substr(0, start);
    if (start != std::string::npos)
        Path = rest.substr(start);
    auto colon = authority.rfind(':');
    auto at = authority.rfind('@');
    if (colon == std::string::npos && at == std::string::npos) {
        Host = authority;
    } else if (colon != std::string::npos && (at == std::string::npos || at < colon)) {
        std::size_t hostStart = at == std::string::npos ? 0 : at + 1;
        Port = authority.substr(colon + 1);
        Host = authority.substr(hostStart, colon - hostStart);
    } else {
        Host = authority.substr(at + 1);
    }
    if (at != std::string::npos) {
        std::string userInfo = authority.substr(0, at);
        auto c = userInfo.find(':');
        if (c == std::string::npos) {
            User = userInfo;
        } else {
            User = userInfo.substr(0, c);
            Pass = userInfo.substr(c + 1);
        }
    }
}

std::string SuggestedFileNameOf(const std::string& path) {
    std::string p = path.substr(0, path.find('?'));
    if (p.empty() || p.back() == '/')
        return "document.htm";
    auto slash = p.rfind('/');
    std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
    name = name.substr(0, 255);
    return name.substr(0, name.find('?'));
}

std::string EncodeStr64(const std::string& text) {
    static const char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((text.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < text.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(text[i]) << 16 |
                     static_cast<unsigned char>(text[i + 1]) << 8 |
                     static_cast<unsigned char>(text[i + 2]);
        out += alphabet[v >> 18 & 63];
        out += alphabet[v >> 12 & 63];
        out += alphabet[v >> 6 & 63];
        out += alphabet[v & 63];
    }
    if (i + 1 == text.size()) {
        unsigned v = static_cast<unsigned char>(text[i]) << 16;
        out += alphabet[v >> 18 & 63];
        out += alphabet[v >> 12 & 63];
        out += "==";
    } else if (i + 2 == text.size()) {
        unsigned v = static_cast<unsigned char>(text[i]) << 16 |
                     static_cast<unsigned char>(text[i + 1]) << 8;
        out += alphabet[v >> 18 & 63];
        out += alphabet[v >> 12 & 63];
        out += alphabet[v >> 6 & 63];
        out += '=';
    }
    return out;
}

std::string BaseOfURL(const std::string& path) {
    std::string head = path.substr(0, path.find('?'));
    auto last = head.find_last_of("/:");
    return last == std::string::npos ? "" : path.substr(0, last + 1);
}

std::string RFC1123Date(double dateTime) {
    static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    long long seconds = std::llround(dateTime * 86400.0);
    long long day = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    long long second = seconds - day * 86400;
    // Days since 1970-01-01, then the civil date (proleptic Gregorian).
    long long z = day - 25569 + 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long y = yoe + era * 400;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    long long d = doy - (153 * mp + 2) / 5 + 1;
    long long m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2)
        ++y;
    long long weekday = ((day - 25569 + 4) % 7 + 7) % 7;
    return tk::Format("%s, %02lld %s %04lld %02lld:%02lld:%02lld", days[weekday], d, months[m - 1],
                      y, second / 3600, second / 60 % 60, second % 60);
}
