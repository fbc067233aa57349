#include "platform/xfile/MsZipDecoder.h"

#include <zlib.h>

#include <algorithm>

#include "platform/xfile/DXFile.h"

namespace {

constexpr size_t kWindow = 32768;
// Far above any model; stops a small hostile file from asking for gigabytes.
constexpr size_t kMaxDecoded = size_t{64} << 20;

WORD ReadWord(const BYTE* p) {
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

// One raw inflate stream per chunk, released on every path.
class ChunkInflater {
public:
    ChunkInflater() {
        m_stream.zalloc = Z_NULL;
        m_stream.zfree = Z_NULL;
        m_stream.opaque = Z_NULL;
        m_bReady = inflateInit2(&m_stream, -15) == Z_OK;
    }
    ~ChunkInflater() {
        if (m_bReady) {
            inflateEnd(&m_stream);
        }
    }
    ChunkInflater(const ChunkInflater&) = delete;
    ChunkInflater& operator=(const ChunkInflater&) = delete;

    bool Ready() const { return m_bReady; }
    z_stream& Stream() { return m_stream; }

private:
    z_stream m_stream{};
    bool m_bReady = false;
};

}  // namespace

HRESULT MsZipDecoder::Decode(const BYTE* body, size_t size, std::vector<BYTE>& out) {
    // The leading size counts the whole decoded file, header included. It is a
    // claim of the file, so it only bounds the reservation, never an allocation.
    if (size < 4) {
        return DXFILEERR_BADFILE;
    }
    size_t declared = static_cast<size_t>(body[0]) | (static_cast<size_t>(body[1]) << 8) |
                      (static_cast<size_t>(body[2]) << 16) | (static_cast<size_t>(body[3]) << 24);
    size_t limit = std::min(declared, kMaxDecoded);
    size_t pos = 4;
    out.reserve(std::min<size_t>(limit, size * 8));
    while (pos < size) {
        if (size - pos < 6) {
            return DXFILEERR_BADFILE;
        }
        size_t expanded = ReadWord(body + pos);
        size_t packed = ReadWord(body + pos + 2);
        if (body[pos + 4] != 'C' || body[pos + 5] != 'K') {
            return DXFILEERR_BADFILE;
        }
        pos += 6;
        if (expanded == 0) {
            return DXFILEERR_BADFILE;
        }
        // Writers differ on whether the compressed size counts the "CK"; the deflate
        // stream marks its own end, so give it at most that many bytes and go on
        // from where it stopped.
        size_t available = std::min(packed, size - pos);

        ChunkInflater inflater;
        if (!inflater.Ready()) {
            return DXFILEERR_BADALLOC;
        }
        z_stream& stream = inflater.Stream();
        size_t history = std::min(out.size(), kWindow);
        if (history > 0 &&
            inflateSetDictionary(&stream, out.data() + out.size() - history, static_cast<uInt>(history)) != Z_OK) {
            return DXFILEERR_BADFILE;
        }
        size_t start = out.size();
        if (start + expanded > limit) {
            return DXFILEERR_BADFILE;
        }
        out.resize(start + expanded);
        stream.next_in = const_cast<Bytef*>(body + pos);
        stream.avail_in = static_cast<uInt>(available);
        stream.next_out = out.data() + start;
        stream.avail_out = static_cast<uInt>(expanded);
        int result = inflate(&stream, Z_FINISH);
        if (result != Z_STREAM_END || stream.avail_out != 0) {
            return DXFILEERR_BADFILE;
        }
        pos += available - stream.avail_in;
    }
    return S_OK;
}
