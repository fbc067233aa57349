#include "JsonValue.h"

#include <cctype>
#include <cstdlib>

namespace {

class Reader {
public:
    explicit Reader(const std::string& text) : m_text(text) {}

    bool Value(JsonValue& out, int depth) {
        Skip();
        if (depth > 64 || m_nAt >= m_text.size()) {
            return false;
        }
        const char c = m_text[m_nAt];
        if (c == '{') {
            return Object(out, depth);
        }
        if (c == '[') {
            return Array(out, depth);
        }
        if (c == '"') {
            out.m_eKind = JsonValue::Kind::String;
            return String(out.m_szText);
        }
        if (Word("true") || Word("false")) {
            out.m_eKind = JsonValue::Kind::Bool;
            out.m_bValue = c == 't';
            return true;
        }
        if (Word("null")) {
            return true;
        }
        const char* pStart = m_text.c_str() + m_nAt;
        char* pEnd = nullptr;
        out.m_fNumber = std::strtod(pStart, &pEnd);
        if (pEnd == pStart) {
            return false;
        }
        out.m_eKind = JsonValue::Kind::Number;
        m_nAt += static_cast<size_t>(pEnd - pStart);
        return true;
    }

    bool AtEnd() {
        Skip();
        return m_nAt == m_text.size();
    }

private:
    void Skip() {
        while (m_nAt < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_nAt]))) {
            ++m_nAt;
        }
    }
    bool Take(char c) {
        Skip();
        if (m_nAt < m_text.size() && m_text[m_nAt] == c) {
            ++m_nAt;
            return true;
        }
        return false;
    }
    bool Word(const char* szWord) {
        const std::string word(szWord);
        if (m_text.compare(m_nAt, word.size(), word) == 0) {
            m_nAt += word.size();
            return true;
        }
        return false;
    }
    bool String(std::string& out) {
        if (!Take('"')) {
            return false;
        }
        while (m_nAt < m_text.size()) {
            const char c = m_text[m_nAt++];
            if (c == '"') {
                return true;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_nAt >= m_text.size()) {
                return false;
            }
            const char e = m_text[m_nAt++];
            if (e == 'u') {
                if (m_nAt + 4 > m_text.size()) {
                    return false;
                }
                out += static_cast<char>(std::strtol(m_text.substr(m_nAt, 4).c_str(), nullptr, 16));
                m_nAt += 4;
            } else {
                out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
            }
        }
        return false;
    }
    bool Array(JsonValue& out, int depth) {
        out.m_eKind = JsonValue::Kind::Array;
        Take('[');
        if (Take(']')) {
            return true;
        }
        do {
            out.m_items.emplace_back();
            if (!Value(out.m_items.back(), depth + 1)) {
                return false;
            }
        } while (Take(','));
        return Take(']');
    }
    bool Object(JsonValue& out, int depth) {
        out.m_eKind = JsonValue::Kind::Object;
        Take('{');
        if (Take('}')) {
            return true;
        }
        do {
            std::string key;
            Skip();
            if (!String(key) || !Take(':') || out.m_members.count(key) != 0 || !Value(out.m_members[key], depth + 1)) {
                return false;
            }
        } while (Take(','));
        return Take('}');
    }

    const std::string& m_text;
    size_t m_nAt = 0;
};

const JsonValue kNull;

}  // namespace

bool JsonValue::Parse(const std::string& text, JsonValue& out) {
    out = JsonValue();
    Reader reader(text);
    return reader.Value(out, 0) && reader.AtEnd();
}

const JsonValue& JsonValue::operator[](const std::string& key) const {
    const auto it = m_members.find(key);
    return it == m_members.end() ? kNull : it->second;
}

const JsonValue& JsonValue::operator[](size_t index) const {
    return index < m_items.size() ? m_items[index] : kNull;
}
