// The compressed encodings ("tzip", "bzip"): after the 16-byte header a 32-bit
// size, then chunks of {16-bit uncompressed size, 16-bit compressed size, "CK",
// deflate data}. Like the MSZIP format they come from, each chunk is its own
// deflate stream but back-references reach into the previous chunks' output,
// so the last 32 KB decoded is the dictionary of the next chunk.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/kernel/WinTypes.h"

class MsZipDecoder {
public:
    // body: the bytes after the 16-byte header. Appends the decoded file body to
    // out. DXFILEERR_BADFILE for anything that does not decode exactly.
    static HRESULT Decode(const BYTE* body, size_t size, std::vector<BYTE>& out);
};
