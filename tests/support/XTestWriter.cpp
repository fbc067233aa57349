#include "support/XTestWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr WORD kName = 1;
constexpr WORD kString = 2;
constexpr WORD kGuid = 5;
constexpr WORD kIntegerList = 6;
constexpr WORD kFloatList = 7;
constexpr WORD kOBrace = 10;
constexpr WORD kCBrace = 11;
constexpr WORD kInteger = 3;

void PutWord(std::vector<BYTE>& out, WORD value) {
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}

void PutDword(std::vector<BYTE>& out, DWORD value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
    }
}

void PutBytes(std::vector<BYTE>& out, const void* data, size_t size) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

void PutName(std::vector<BYTE>& out, const std::string& name) {
    PutWord(out, kName);
    PutDword(out, static_cast<DWORD>(name.size()));
    PutBytes(out, name.data(), name.size());
}

}  // namespace

void XTestWriter::Begin(const std::string& type, const std::string& name) {
    m_events.push_back({Kind::Begin, type, name, {}, {}});
}
void XTestWriter::End() {
    m_events.push_back({Kind::End, {}, {}, {}, {}});
}
void XTestWriter::Ints(const std::vector<std::uint32_t>& values) {
    m_events.push_back({Kind::Ints, {}, {}, values, {}});
}
void XTestWriter::Floats(const std::vector<double>& values) {
    m_events.push_back({Kind::Floats, {}, {}, {}, values});
}
void XTestWriter::String(const std::string& value) {
    m_events.push_back({Kind::String, value, {}, {}, {}});
}
void XTestWriter::Reference(const std::string& name) {
    m_events.push_back({Kind::Reference, name, {}, {}, {}});
}

std::vector<BYTE> XTestWriter::Build(XEncoding encoding) const {
    if (encoding == XEncoding::TextZip) {
        return CompressFile(Build(XEncoding::Text));
    }
    if (encoding == XEncoding::BinaryZip) {
        return CompressFile(Build(XEncoding::Binary));
    }
    if (encoding == XEncoding::Text) {
        std::string text = "xof 0302txt 0032\n// written by the test writer\n";
        int depth = 0;
        char number[64];
        for (const Event& event : m_events) {
            std::string indent(static_cast<size_t>(depth) * 2, ' ');
            switch (event.m_kind) {
                case Kind::Begin:
                    text += indent + event.m_text + (event.m_name.empty() ? "" : " " + event.m_name) + " {\n";
                    ++depth;
                    break;
                case Kind::End:
                    --depth;
                    text += std::string(static_cast<size_t>(depth) * 2, ' ') + "}\n";
                    break;
                case Kind::Ints:
                    text += indent;
                    for (size_t i = 0; i < event.m_vecInts.size(); ++i) {
                        std::snprintf(number, sizeof(number), "%u", event.m_vecInts[i]);
                        text += number;
                        text += i + 1 < event.m_vecInts.size() ? "," : ";";
                    }
                    text += "\n";
                    break;
                case Kind::Floats:
                    text += indent;
                    for (size_t i = 0; i < event.m_vecFloats.size(); ++i) {
                        std::snprintf(number, sizeof(number), "%.17g", event.m_vecFloats[i]);
                        text += number;
                        text += i + 1 < event.m_vecFloats.size() ? ";" : ";;";
                    }
                    text += "\n";
                    break;
                case Kind::String:
                    text += indent + "\"" + event.m_text + "\";\n";
                    break;
                case Kind::Reference:
                    text += indent + "{ " + event.m_text + " }\n";
                    break;
            }
        }
        return std::vector<BYTE>(text.begin(), text.end());
    }
    const bool bFloat64 = encoding == XEncoding::Binary64;
    XBinaryStream stream;
    stream.Header(bFloat64);
    for (const Event& event : m_events) {
        switch (event.m_kind) {
            case Kind::Begin:
                stream.Name(event.m_text);
                if (!event.m_name.empty()) {
                    stream.Name(event.m_name);
                }
                stream.Token(kOBrace);
                break;
            case Kind::End:
                stream.Token(kCBrace);
                break;
            case Kind::Ints:
                stream.IntList(event.m_vecInts);
                break;
            case Kind::Floats:
                if (bFloat64) {
                    const DWORD count = static_cast<DWORD>(event.m_vecFloats.size());
                    stream.Token(kFloatList).Raw(&count, 4).Raw(event.m_vecFloats.data(), count * 8);
                } else {
                    stream.FloatList(std::vector<float>(event.m_vecFloats.begin(), event.m_vecFloats.end()));
                }
                break;
            case Kind::String:
                stream.String(event.m_text).Token(0);  // the terminator as a DWORD
                break;
            case Kind::Reference:
                stream.Token(kOBrace).Name(event.m_text).Token(kCBrace);
                break;
        }
    }
    return stream.Bytes();
}

std::vector<BYTE> XTestWriter::Compress(const std::vector<BYTE>& body, size_t chunkSize, bool sizeCountsSignature) {
    std::vector<BYTE> out;
    PutDword(out, static_cast<DWORD>(body.size() + 16));
    size_t pos = 0;
    while (pos < body.size()) {
        size_t take = std::min(chunkSize, body.size() - pos);
        z_stream stream{};
        if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
            std::abort();
        }
        size_t history = std::min<size_t>(pos, 32768);
        if (history > 0) {
            deflateSetDictionary(&stream, body.data() + pos - history, static_cast<uInt>(history));
        }
        std::vector<BYTE> packed(deflateBound(&stream, static_cast<uLong>(take)) + 16);
        stream.next_in = const_cast<Bytef*>(body.data() + pos);
        stream.avail_in = static_cast<uInt>(take);
        stream.next_out = packed.data();
        stream.avail_out = static_cast<uInt>(packed.size());
        if (deflate(&stream, Z_FINISH) != Z_STREAM_END) {
            std::abort();
        }
        packed.resize(stream.total_out);
        deflateEnd(&stream);
        PutWord(out, static_cast<WORD>(take));
        PutWord(out, static_cast<WORD>(packed.size() + (sizeCountsSignature ? 2 : 0)));
        out.push_back('C');
        out.push_back('K');
        out.insert(out.end(), packed.begin(), packed.end());
        pos += take;
    }
    return out;
}

std::vector<BYTE> XTestWriter::CompressFile(const std::vector<BYTE>& file, size_t chunkSize, bool sizeCountsSignature) {
    std::vector<BYTE> out(file.begin(), file.begin() + 16);
    bool bText = std::memcmp(file.data() + 8, "txt ", 4) == 0;
    std::memcpy(out.data() + 8, bText ? "tzip" : "bzip", 4);
    std::vector<BYTE> body(file.begin() + 16, file.end());
    std::vector<BYTE> packed = Compress(body, chunkSize, sizeCountsSignature);
    out.insert(out.end(), packed.begin(), packed.end());
    return out;
}

XBinaryStream& XBinaryStream::Header(bool bFloat64) {
    const char* header = bFloat64 ? "xof 0302bin 0064" : "xof 0302bin 0032";
    PutBytes(m_bytes, header, 16);
    return *this;
}
XBinaryStream& XBinaryStream::Token(WORD code) {
    PutWord(m_bytes, code);
    return *this;
}
XBinaryStream& XBinaryStream::Name(const std::string& name) {
    PutName(m_bytes, name);
    return *this;
}
XBinaryStream& XBinaryStream::String(const std::string& value, WORD terminator) {
    PutWord(m_bytes, kString);
    PutDword(m_bytes, static_cast<DWORD>(value.size()));
    PutBytes(m_bytes, value.data(), value.size());
    PutWord(m_bytes, terminator);
    return *this;
}
XBinaryStream& XBinaryStream::Integer(DWORD value) {
    PutWord(m_bytes, kInteger);
    PutDword(m_bytes, value);
    return *this;
}
XBinaryStream& XBinaryStream::IntList(const std::vector<DWORD>& values) {
    PutWord(m_bytes, kIntegerList);
    PutDword(m_bytes, static_cast<DWORD>(values.size()));
    for (DWORD value : values) {
        PutDword(m_bytes, value);
    }
    return *this;
}
XBinaryStream& XBinaryStream::FloatList(const std::vector<float>& values) {
    PutWord(m_bytes, kFloatList);
    PutDword(m_bytes, static_cast<DWORD>(values.size()));
    PutBytes(m_bytes, values.data(), values.size() * sizeof(float));
    return *this;
}
XBinaryStream& XBinaryStream::Guid(const GUID& guid) {
    PutWord(m_bytes, kGuid);
    PutDword(m_bytes, guid.Data1);
    PutWord(m_bytes, guid.Data2);
    PutWord(m_bytes, guid.Data3);
    PutBytes(m_bytes, guid.Data4, 8);
    return *this;
}
XBinaryStream& XBinaryStream::Raw(const void* data, size_t size) {
    PutBytes(m_bytes, data, size);
    return *this;
}
