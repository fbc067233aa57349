// Reads a whole file image (any of the four encodings) into a document. Templates
// drive the reading of data: every value is taken in the order and type the
// template gives, arrays are sized by constants or earlier members, and nothing
// is allocated ahead of the values actually present in the image. Data whose
// template has a standard identifier but not the standard layout is refused
// (DXFILEERR_BADTYPE), so loaders never read it as the standard template.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/xfile/XDocument.h"
#include "platform/xfile/XTokenizer.h"

class XFileParser {
public:
    // Objects and references nest at most this deep, nested template members included.
    static constexpr int kMaxDepth = 128;
    // Numbers read in place at a time.
    static constexpr size_t kNumberRun = 4096;

    // doc.Templates() holds the templates known beforehand; the file's own
    // declarations are added to it. On failure doc holds a partial read.
    static HRESULT Parse(const BYTE* data, size_t size, XDocument& doc);

private:
    struct NumberRecord;

    XFileParser(XTokenizer& tokens, XDocument& doc, size_t imageSize);

    HRESULT ParseBody();
    HRESULT ParseTemplate();
    HRESULT ParseMemberDeclaration(XTemplate& tmpl);
    HRESULT ParseRestrictions(XTemplate& tmpl);
    HRESULT ParseObject(int depth, XDataNode** node);
    HRESULT ParseMembers(const XTemplate& tmpl, XDataNode& node, int depth, bool bTopLevel);
    HRESULT ParseMemberValues(const XTemplate& tmpl, XDataNode& node, int depth, bool bTopLevel, size_t sizesBase);
    HRESULT ParseElements(const XTemplate& nested, std::uint64_t count, XDataNode& node, int depth);
    HRESULT ParseCountedRecords(const NumberRecord& record, std::uint64_t count, XDataNode& node);
    // Whole records copied as they lie in the image, where the tokenizer offers
    // a run of numbers already packed; how many, up to `most`.
    std::uint64_t CopyPackedRecords(const NumberRecord& record, std::uint64_t most, XDataNode& node, size_t& end);
    HRESULT ParseElementsOneByOne(const XTemplate& nested, std::uint64_t count, XDataNode& node, int depth);
    void ReserveLike(XDataNode& node, std::uint64_t elementBytes, std::uint64_t elements);
    // Numbers go into node.m_vecBytes at `end`, which moves past them; the storage
    // may run ahead of `end`, and the caller cuts it there when done.
    HRESULT ParseNumberArray(XPrimitive type, std::uint64_t count, XDataNode& node, size_t& end);
    HRESULT ReadNumbers(XPrimitive type, std::uint64_t count, XDataNode& node, size_t& end);
    void Reserve(XDataNode& node, std::uint64_t bytes);
    void MakeRoom(std::vector<BYTE>& storage, size_t end, size_t need);
    HRESULT ParseString(XDataNode& node);
    HRESULT ParseReference(XChild& child);
    HRESULT Expect(XTokenKind kind);
    HRESULT Unexpected(const XToken& token) const;
    void SkipSeparators();
    bool Charge();
    bool HasStandardLayout(const XTemplate& tmpl);

    XTokenizer& m_tokens;
    XDocument& m_doc;
    // Array elements and values visited; bounded by the image size so that arrays
    // of empty elements cannot spin for billions of rounds.
    std::uint64_t m_qwWork = 0;
    std::uint64_t m_qwWorkLimit;
    // Per template of the current set: whether its data may carry a standard identifier.
    std::unordered_map<const XTemplate*, bool> m_layoutVerdicts;
    // Values of the single integer members of the instances being read, innermost
    // last, for array sizes further on; one stack, so an element allocates nothing.
    std::vector<std::pair<std::string_view, std::int64_t>> m_sizes;
};
