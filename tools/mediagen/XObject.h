// One data object of an X file, as plain data: template name, optional object
// name, members in template order, and children (data objects or references).
// The same tree is written in the text or the binary encoding by XFileWriter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct XValue {
    enum class Kind { Int, Float, String, Struct, Array };

    Kind m_kind = Kind::Int;
    std::uint32_t m_dwInt = 0;
    float m_fFloat = 0.0f;
    std::string m_szString;
    std::vector<XValue> m_items;  // members of a Struct, elements of an Array

    static XValue Int(std::uint32_t dwValue);
    static XValue Float(float fValue);
    static XValue String(const std::string& szValue);
    static XValue Struct(std::vector<XValue> members);
    static XValue Array(std::vector<XValue> elements);
    static XValue FloatArray(const std::vector<float>& values);
    static XValue IntArray(const std::vector<std::uint32_t>& values);
};

class XObject {
public:
    XObject() = default;
    XObject(std::string szTemplate, std::string szName);

    // A child that only names another object ({ Name } in the text encoding).
    static XObject Reference(const std::string& szName);

    XObject& Add(XValue value);
    XObject& AddChild(XObject child);

    const std::string& Template() const { return m_szTemplate; }
    const std::string& Name() const { return m_szName; }
    bool IsReference() const { return m_bReference; }
    const std::vector<XValue>& Values() const { return m_values; }
    const std::vector<XObject>& Children() const { return m_children; }

private:
    std::string m_szTemplate;
    std::string m_szName;
    bool m_bReference = false;
    std::vector<XValue> m_values;
    std::vector<XObject> m_children;
};
