// Writes small X files for the tests: one description of data objects rendered
// as text, binary with 32- or 64-bit floats, or either of them compressed, so
// the same model can be read back from every encoding.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

enum class XEncoding { Text, Binary, Binary64, TextZip, BinaryZip };

// For test names: "Text", "Binary", "Binary64", "TextZip", "BinaryZip".
inline const char* XEncodingLabel(XEncoding encoding) {
    static const char* const kNames[] = {"Text", "Binary", "Binary64", "TextZip", "BinaryZip"};
    return kNames[static_cast<int>(encoding)];
}

class XTestWriter {
public:
    void Begin(const std::string& type, const std::string& name = "");
    void End();
    void Ints(const std::vector<std::uint32_t>& values);
    void Floats(const std::vector<double>& values);
    void String(const std::string& value);
    void Reference(const std::string& name);

    std::vector<BYTE> Build(XEncoding encoding) const;

    // Body bytes after the header, compressed in chunks of at most chunkSize input
    // bytes, each chunk's deflate stream primed with the output so far. With
    // sizeCountsSignature the 16-bit compressed size includes the "CK" bytes.
    static std::vector<BYTE> Compress(const std::vector<BYTE>& body, size_t chunkSize, bool sizeCountsSignature);
    // A complete compressed file from a complete uncompressed one.
    static std::vector<BYTE> CompressFile(const std::vector<BYTE>& file, size_t chunkSize = 4096,
                                          bool sizeCountsSignature = true);

private:
    enum class Kind { Begin, End, Ints, Floats, String, Reference };
    struct Event {
        Kind m_kind;
        std::string m_text;
        std::string m_name;
        std::vector<std::uint32_t> m_vecInts;
        std::vector<double> m_vecFloats;
    };
    std::vector<Event> m_events;
};

// Little-endian token records of the binary encoding, for hand-made files.
class XBinaryStream {
public:
    XBinaryStream& Header(bool bFloat64 = false);
    XBinaryStream& Token(WORD code);
    XBinaryStream& Name(const std::string& name);
    XBinaryStream& String(const std::string& value, WORD terminator = 20);
    XBinaryStream& Integer(DWORD value);
    XBinaryStream& IntList(const std::vector<DWORD>& values);
    XBinaryStream& FloatList(const std::vector<float>& values);
    XBinaryStream& Guid(const GUID& guid);
    XBinaryStream& Raw(const void* data, size_t size);
    const std::vector<BYTE>& Bytes() const { return m_bytes; }

private:
    void Word(WORD value);
    void Dword(DWORD value);
    std::vector<BYTE> m_bytes;
};
