#include "support/SimPreferenceSet.h"

#include "support/WireBuilders.h"

#include <QVariantList>

namespace {

class OldStyleReader {
public:
    explicit OldStyleReader(const QByteArray& text) : s_(text) {}

    QVariant document() {
        QVariant v = value(0);
        skip();
        return ok_ && i_ == s_.size() ? v : QVariant();
    }

private:
    void skip() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\t' || s_[i_] == '\r'))
            ++i_;
    }
    bool bare(char c) const {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '.' || c == '-' || c == '+' || c == '/' || c == ':' || c == '$';
    }
    QVariant bad() {
        ok_ = false;
        return {};
    }
    QVariant value(int depth) {
        skip();
        if (!ok_ || i_ >= s_.size() || depth > 64) return bad();
        const char c = s_[i_];
        if (c == '{') return dictionary(depth);
        if (c == '(') return array(depth);
        if (c == '"') return quoted();
        const qsizetype start = i_;
        while (i_ < s_.size() && bare(s_[i_])) ++i_;
        if (i_ == start) return bad();
        return QString::fromUtf8(s_.mid(start, i_ - start));
    }
    QVariant quoted() {
        QByteArray out;
        for (++i_; i_ < s_.size(); ++i_) {
            char c = s_[i_];
            if (c == '"') {
                ++i_;
                return QString::fromUtf8(out);
            }
            if (c == '\\') {
                if (++i_ >= s_.size()) break;
                c = s_[i_];
                if (c == 'n') c = '\n';
                else if (c == 't') c = '\t';
                else if (c == 'r') c = '\r';
                else if (c >= '0' && c <= '7') {
                    int v = 0;
                    for (int k = 0; k < 3 && i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '7'; ++k)
                        v = v * 8 + (s_[i_++] - '0');
                    --i_;
                    c = char(v);
                }
            }
            out += c;
        }
        return bad();
    }
    QVariant dictionary(int depth) {
        QVariantMap map;
        ++i_;
        for (;;) {
            skip();
            if (i_ < s_.size() && s_[i_] == '}') {
                ++i_;
                return map;
            }
            const QVariant key = value(depth + 1);
            skip();
            if (!ok_ || key.typeId() != QMetaType::QString || i_ >= s_.size() || s_[i_] != '=')
                return bad();
            ++i_;
            const QVariant v = value(depth + 1);
            skip();
            if (!ok_ || i_ >= s_.size() || s_[i_] != ';') return bad();
            ++i_;
            map.insert(key.toString(), v);
        }
    }
    QVariant array(int depth) {
        QVariantList list;
        ++i_;
        skip();
        if (i_ < s_.size() && s_[i_] == ')') {
            ++i_;
            return list;
        }
        for (;;) {
            list << value(depth + 1);
            skip();
            if (!ok_ || i_ >= s_.size()) return bad();
            if (s_[i_] == ')') {
                ++i_;
                return list;
            }
            if (s_[i_] != ',') return bad();
            ++i_;
        }
    }

    const QByteArray s_;
    qsizetype i_ = 0;
    bool ok_ = true;
};

}  // namespace

QVariant SimPreferenceSet::readOldStyle(const QByteArray& text) {
    return OldStyleReader(text).document();
}

QVariant SimPreferenceSet::storedValue(const QVariantMap& entry, const QByteArray& text) {
    const QString type = entry.value("_type").toString();
    if (type != "dict" && type != "s_array") return QString::fromUtf8(text);
    const QVariant v = readOldStyle(text);
    const auto wanted = type == "dict" ? QMetaType::QVariantMap : QMetaType::QVariantList;
    return v.typeId() == wanted ? v : QVariant();
}

QByteArray SimPreferenceSet::report(const QByteArray& key, const QByteArray& text) {
    if (key != "mixes") return {};
    const QByteArray payload = key + '\0' + text + '\0';
    if (payload.size() + 16 > WireBuilders::kMaxDatagram) return {};
    return WireBuilders::serverMessage(WireBuilders::kOnePref, 0, payload);
}
