#include "XFileWriter.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// Binary token values of the X-file format.
constexpr std::uint16_t kTokName = 1;
constexpr std::uint16_t kTokString = 2;
constexpr std::uint16_t kTokIntegerList = 6;
constexpr std::uint16_t kTokFloatList = 7;
constexpr std::uint16_t kTokOBrace = 10;
constexpr std::uint16_t kTokCBrace = 11;
constexpr std::uint16_t kTokSemicolon = 20;

std::string FormatFloat(float f) {
    char buffer[48];
    std::snprintf(buffer, sizeof(buffer), "%.6f", static_cast<double>(f));
    // "-0.000000" and "0.000000" mean the same; keep one spelling.
    if (std::strcmp(buffer, "-0.000000") == 0) {
        return "0.000000";
    }
    return buffer;
}

void Indent(std::string& out, int nDepth) {
    out.append(static_cast<size_t>(nDepth) * 1, ' ');
}

class BinaryStream {
public:
    explicit BinaryStream(std::string& out) : m_out(out) {}

    void Word(std::uint16_t w) {
        m_out.push_back(static_cast<char>(w & 0xFF));
        m_out.push_back(static_cast<char>(w >> 8));
    }
    void Dword(std::uint32_t d) {
        for (int i = 0; i < 4; ++i) {
            m_out.push_back(static_cast<char>((d >> (8 * i)) & 0xFF));
        }
    }
    void Name(const std::string& sz) {
        Word(kTokName);
        Dword(static_cast<std::uint32_t>(sz.size()));
        m_out += sz;
    }
    void String(const std::string& sz) {
        Flush();
        Word(kTokString);
        Dword(static_cast<std::uint32_t>(sz.size()));
        m_out += sz;
        Word(kTokSemicolon);
    }
    void Int(std::uint32_t d) {
        if (!m_floats.empty()) {
            Flush();
        }
        m_ints.push_back(d);
    }
    void Float(float f) {
        if (!m_ints.empty()) {
            Flush();
        }
        m_floats.push_back(f);
    }
    // Consecutive numbers of one kind travel in one list, as exporters write them.
    void Flush() {
        if (!m_ints.empty()) {
            Word(kTokIntegerList);
            Dword(static_cast<std::uint32_t>(m_ints.size()));
            for (std::uint32_t d : m_ints) {
                Dword(d);
            }
            m_ints.clear();
        }
        if (!m_floats.empty()) {
            Word(kTokFloatList);
            Dword(static_cast<std::uint32_t>(m_floats.size()));
            for (float f : m_floats) {
                std::uint32_t bits = 0;
                std::memcpy(&bits, &f, sizeof(bits));
                Dword(bits);
            }
            m_floats.clear();
        }
    }

private:
    std::string& m_out;
    std::vector<std::uint32_t> m_ints;
    std::vector<float> m_floats;
};

void BinaryValue(BinaryStream& stream, const XValue& value) {
    switch (value.m_kind) {
        case XValue::Kind::Int:
            stream.Int(value.m_dwInt);
            break;
        case XValue::Kind::Float:
            stream.Float(value.m_fFloat);
            break;
        case XValue::Kind::String:
            stream.String(value.m_szString);
            break;
        case XValue::Kind::Struct:
        case XValue::Kind::Array:
            for (const XValue& item : value.m_items) {
                BinaryValue(stream, item);
            }
            break;
    }
}

void BinaryObject(BinaryStream& stream, const XObject& object) {
    stream.Flush();
    if (object.IsReference()) {
        stream.Word(kTokOBrace);
        stream.Name(object.Name());
        stream.Word(kTokCBrace);
        return;
    }
    stream.Name(object.Template());
    if (!object.Name().empty()) {
        stream.Name(object.Name());
    }
    stream.Word(kTokOBrace);
    for (const XValue& value : object.Values()) {
        BinaryValue(stream, value);
    }
    for (const XObject& child : object.Children()) {
        BinaryObject(stream, child);
    }
    stream.Flush();
    stream.Word(kTokCBrace);
}

}  // namespace

void XFileWriter::TextElement(std::string& out, const XValue& value) {
    switch (value.m_kind) {
        case XValue::Kind::Int:
            out += std::to_string(value.m_dwInt);
            break;
        case XValue::Kind::Float:
            out += FormatFloat(value.m_fFloat);
            break;
        case XValue::Kind::String:
            out += '"';
            out += value.m_szString;
            out += '"';
            break;
        case XValue::Kind::Struct:
            for (const XValue& member : value.m_items) {
                TextMember(out, member);
            }
            break;
        case XValue::Kind::Array:
            for (size_t i = 0; i < value.m_items.size(); ++i) {
                if (i > 0) {
                    out += ',';
                    // Long arrays of structures read better one element a line.
                    if (value.m_items[i].m_kind == XValue::Kind::Struct) {
                        out += '\n';
                    }
                }
                TextElement(out, value.m_items[i]);
            }
            break;
    }
}

// A member is its element followed by the member separator.
void XFileWriter::TextMember(std::string& out, const XValue& value) {
    TextElement(out, value);
    out += ';';
}

void XFileWriter::TextObject(std::string& out, const XObject& object, int nDepth) {
    Indent(out, nDepth);
    if (object.IsReference()) {
        out += "{ " + object.Name() + " }\n";
        return;
    }
    out += object.Template();
    if (!object.Name().empty()) {
        out += ' ' + object.Name();
    }
    out += " {\n";
    for (const XValue& value : object.Values()) {
        Indent(out, nDepth + 1);
        TextMember(out, value);
        out += '\n';
    }
    for (const XObject& child : object.Children()) {
        TextObject(out, child, nDepth + 1);
    }
    Indent(out, nDepth);
    out += "}\n";
}

std::string XFileWriter::WriteText(const std::vector<XObject>& objects, const std::string& szDeclarations) {
    std::string out = "xof 0303txt 0032\n";
    out += szDeclarations;
    for (const XObject& object : objects) {
        out += '\n';
        TextObject(out, object, 0);
    }
    return out;
}

std::string XFileWriter::WriteBinary(const std::vector<XObject>& objects) {
    std::string out = "xof 0303bin 0032";
    BinaryStream stream(out);
    for (const XObject& object : objects) {
        BinaryObject(stream, object);
    }
    stream.Flush();
    return out;
}
