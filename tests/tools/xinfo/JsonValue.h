// A small JSON reader for checking tool output: objects, arrays, strings,
// numbers, true/false/null. Parse fails on anything malformed or trailing.
#pragma once

#include <map>
#include <string>
#include <vector>

class JsonValue {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    static bool Parse(const std::string& text, JsonValue& out);

    Kind m_eKind = Kind::Null;
    double m_fNumber = 0.0;
    bool m_bValue = false;
    std::string m_szText;
    std::vector<JsonValue> m_items;
    std::map<std::string, JsonValue> m_members;

    // A missing member or index gives a Null value, so chains never throw.
    const JsonValue& operator[](const std::string& key) const;
    const JsonValue& operator[](size_t index) const;
    size_t Size() const { return m_eKind == Kind::Array ? m_items.size() : m_members.size(); }
    long Int() const { return static_cast<long>(m_fNumber); }
};
