#include "XObject.h"

#include <utility>

XValue XValue::Int(std::uint32_t dwValue) {
    XValue v;
    v.m_kind = Kind::Int;
    v.m_dwInt = dwValue;
    return v;
}

XValue XValue::Float(float fValue) {
    XValue v;
    v.m_kind = Kind::Float;
    v.m_fFloat = fValue;
    return v;
}

XValue XValue::String(const std::string& szValue) {
    XValue v;
    v.m_kind = Kind::String;
    v.m_szString = szValue;
    return v;
}

XValue XValue::Struct(std::vector<XValue> members) {
    XValue v;
    v.m_kind = Kind::Struct;
    v.m_items = std::move(members);
    return v;
}

XValue XValue::Array(std::vector<XValue> elements) {
    XValue v;
    v.m_kind = Kind::Array;
    v.m_items = std::move(elements);
    return v;
}

XValue XValue::FloatArray(const std::vector<float>& values) {
    std::vector<XValue> items;
    items.reserve(values.size());
    for (float f : values) {
        items.push_back(Float(f));
    }
    return Array(std::move(items));
}

XValue XValue::IntArray(const std::vector<std::uint32_t>& values) {
    std::vector<XValue> items;
    items.reserve(values.size());
    for (std::uint32_t n : values) {
        items.push_back(Int(n));
    }
    return Array(std::move(items));
}

XObject::XObject(std::string szTemplate, std::string szName)
    : m_szTemplate(std::move(szTemplate)), m_szName(std::move(szName)) {}

XObject XObject::Reference(const std::string& szName) {
    XObject ref;
    ref.m_szName = szName;
    ref.m_bReference = true;
    return ref;
}

XObject& XObject::Add(XValue value) {
    m_values.push_back(std::move(value));
    return *this;
}

XObject& XObject::AddChild(XObject child) {
    m_children.push_back(std::move(child));
    return *this;
}
