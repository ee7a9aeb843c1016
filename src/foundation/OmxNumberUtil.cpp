#include "foundation/OmxNumberUtil.h"

#include <QByteArray>
#include <QFileInfo>

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <type_traits>

namespace {

// A number at the start of [p, end) after blanks, as strtod reads it but
// independent of the C locale (Qt sets the process locale from the
// environment). Returns the end of the number or nullptr.
template <class T>
const char* readNumber(const char* p, const char* end, T* out) {
    while (p < end && std::isspace(static_cast<unsigned char>(*p))) ++p;
    bool plus = p < end && *p == '+';
    if (plus) ++p;
    if (p < end && *p == '-' && plus) return nullptr;
    auto [next, ec] = std::from_chars(p, end, *out);
    if (ec != std::errc()) return nullptr;
    return next;
}

const char* skipSpace(const char* p, const char* end) {
    while (p < end && std::isspace(static_cast<unsigned char>(*p))) ++p;
    return p;
}

}  // namespace

double doubleValueWithUnits(const QString& text) {
    return doubleValueWithUnits(text, QLocale());
}

double doubleValueWithUnits(const QString& text, const QLocale& locale) {
    const QByteArray utf8 = text.toUtf8();
    const char* p = utf8.constData();
    const char* end = p + utf8.size();

    // Number, one character, number, read in single precision like the
    // fields always did.
    float a = 0;
    float b = 0;
    const char* q = readNumber(p, end, &a);
    if (q) q = skipSpace(q, end);
    if (q && q < end) {
        char op = *q;
        if ((op == '\'' || op == '*' || op == '/') && readNumber(q + 1, end, &b)) {
            double result = 0;
            if (op == '\'') {
                result = b < 12 ? std::copysign(std::fabs(a) + b / 12.0, a) : a;
            } else if (op == '*') {
                result = double(a) * b;
            } else {
                result = b != 0 ? double(a) / b : 0;
            }
            return std::isfinite(result) ? result : 0;
        }
    }

    QString plain = text;
    plain.remove(locale.groupSeparator());
    plain.replace(locale.decimalPoint(), QStringLiteral("."));
    const QByteArray c = plain.toUtf8();
    double v = 0;
    if (!readNumber(c.constData(), c.constData() + c.size(), &v)) return 0;
    return std::isfinite(v) ? v : 0;
}

namespace {

// A decimal integer with optional sign at p; false when there is none.
// Saturates so that absurd digit runs still compare as large.
bool readInt(const QString& s, qsizetype* pos, int* out) {
    qsizetype i = *pos;
    while (i < s.size() && s[i].isSpace()) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
    qsizetype start = i;
    long long v = 0;
    while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
        if (v < 1000000000) v = v * 10 + (s[i].unicode() - u'0');
        ++i;
    }
    if (i == start) return false;
    *out = int(negative ? -v : v);
    *pos = i;
    return true;
}

}  // namespace

bool scanFolderName(const QString& name, int* folder, int* group) {
    int f = 0;
    int g = 0;
    bool found = false;
    if (name.startsWith(u'[')) {
        qsizetype i = 1;
        if (readInt(name, &i, &g) && i < name.size() && name[i] == u']') {
            ++i;
            // "[g] f." and "[g]f." (blanks optional), or "[g].f."
            if (i < name.size() && name[i] == u'.') ++i;
            found = readInt(name, &i, &f);
        }
    } else {
        qsizetype i = 0;
        found = readInt(name, &i, &f);
        const QString suffix = QFileInfo(name).suffix();
        if (found && suffix.startsWith(QStringLiteral("group "))) {
            qsizetype j = 6;
            if (!readInt(suffix, &j, &g)) g = 0;
        }
    }
    if (group) *group = found ? g : 0;
    if (folder) *folder = found && f < 256 && g < 256 ? f : 0;
    return found && f < 256;
}

QString OmxCreateFormatNum(int n) {
    if (n <= 9) return QStringLiteral("00%1").arg(n);
    if (n <= 99) return QStringLiteral("0%1").arg(n);
    return QString::number(n);
}

void printInt(char* out, int value, int digits, int decimals) {
    if (!out) return;
    // Beyond eight digits there is nothing to take them from.
    digits = digits < 1 ? 1 : (digits > 8 ? 8 : digits);
    decimals = decimals < 0 ? 0 : (decimals > digits ? digits : decimals);
    char text[16];
    int n = std::snprintf(text, sizeof text, "%08d", value);
    const char* src = text + n - digits;
    int integral = digits - decimals;
    std::memcpy(out, src, size_t(integral));
    if (decimals) {
        out[integral] = '.';
        std::memcpy(out + integral + 1, src + integral, size_t(decimals));
    }
}

namespace {

// Rises steeply through the short times and in ever coarser steps through
// the long ones; the last entry is a marker value.
std::array<double, 256> makeDMXTimeTable() {
    std::array<double, 256> t{};
    const double start[6] = {0, 10, 17, 33.5, 75, 100};
    for (int i = 0; i < 6; ++i) t[i] = start[i];
    for (int i = 6; i <= 53; ++i) t[i] = 100 + 20 * (i - 5);
    // Each step is held for two or three entries so that a range of entries
    // spreads evenly over a range of values.
    auto held = [](int i, int from, int entries, int steps, double base, double step) {
        return base + step * std::ceil(double(i - from) * steps / entries);
    };
    for (int i = 54; i <= 178; ++i) t[i] = held(i, 53, 125, 50, 1000, 100);
    for (int i = 179; i <= 198; ++i) t[i] = held(i, 178, 20, 8, 6000, 500);
    for (int i = 199; i <= 251; ++i) t[i] = held(i, 198, 53, 21, 10000, 1000);
    for (int i = 252; i <= 254; ++i) t[i] = 31000;
    t[255] = 1;
    return t;
}

}  // namespace

double GetDMXTime(int dmx) {
    static const std::array<double, 256> table = makeDMXTimeTable();
    if (dmx < 0 || dmx > 255) return 0;
    return 10 * table[size_t(dmx)];
}

double OmxNormalizeInt16ToRange(int v, double lo, double hi) {
    return lo + (v + 1) / 65536.0 * (hi - lo);
}

double OmxNormalizeInt8ToRange(int v, double lo, double hi) {
    return lo + v / 255.0 * (hi - lo);
}

namespace {

double expRange(int v, double lo, double mid, double hi, int midLow, int span) {
    if (v == midLow || v == midLow + 1) return mid;
    if (v < midLow) {
        double t = double(v) / span;
        return t * t * mid + (1 - t * t) * lo;
    }
    double t = double(v - (midLow + 2)) / span;
    return t * t * hi + (1 - t * t) * mid;
}

}  // namespace

double OmxExpRange16(int v, double lo, double mid, double hi) {
    return expRange(v, lo, mid, hi, 32767, 32766);
}

double OmxExpRange8(int v, double lo, double mid, double hi) {
    return expRange(v, lo, mid, hi, 127, 126);
}

double OmxExpRange(int v, double lo, double mid, double hi, int steps) {
    int h = steps / 2;
    // Fewer than four steps leave no span to spread over.
    if (h < 2) return v < h ? lo : (v > h + 1 ? hi : mid);
    return expRange(v, lo, mid, hi, h, h - 1);
}

namespace {

template <class T>
bool readWholeOption(const char* text, T low, T high, T* value) {
    if (!text || !*text) return false;
    const char* end = text + strlen(text);
    // from_chars takes no "+" and no blanks; a leading "+" is still a plain number.
    const char* begin = *text == '+' ? text + 1 : text;
    if (begin == end ||
        !(std::isdigit(static_cast<unsigned char>(*begin)) || *begin == '-' || *begin == '.'))
        return false;
    T read{};
    const auto [at, error] = std::from_chars(begin, end, read);
    if (error != std::errc() || at != end) return false;
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(read)) return false;
    }
    if (read < low || read > high) return false;
    *value = read;
    return true;
}

}  // namespace

bool readOptionNumber(const char* text, double low, double high, double* value) {
    return readWholeOption(text, low, high, value);
}

bool readOptionInteger(const char* text, long long low, long long high, long long* value) {
    return readWholeOption(text, low, high, value);
}
