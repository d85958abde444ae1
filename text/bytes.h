// Byte buffers: counted byte sequences that may hold NUL bytes, used while an HTTP
// body is gathered. The empty buffer and an absent one are the same value.
#pragma once

#include <cstdint>
#include <vector>

#include "text/text.h"

namespace ximing {

using Bytes = std::vector<char>;

// `n` bytes of value 0; empty for n <= 0.
Bytes blankBytes(std::int32_t n);

// The first `n` bytes of `b`, clamped to 0 and to its length.
Bytes bytesLeft(const Bytes& b, std::int32_t n);

// `head` followed by `tail`. `head` is taken by value so that a caller gathering a
// buffer piece by piece (`body = concatBytes(std::move(body), piece)`) appends in
// amortised constant time instead of copying all it has for every piece.
Bytes concatBytes(Bytes head, const Bytes& tail);

// The bytes of `b` before its first NUL byte (all of them when it holds none).
Text bytesToText(const Bytes& b);

}  // namespace ximing
