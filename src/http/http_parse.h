#pragma once

// Small pure readers of the HTTP reply's framing: the status line, the
// chunk-size line and the transfer coding.

#include <cstdint>
#include <optional>
#include <string_view>

namespace vitrix {

// The code of a status line "HTTP/1.1 302 Found": the word after the first
// space read as a decimal integer; -1 when there is none or it is no number.
int ResponseCodeOf(std::string_view status_line);

// The size of a chunk-size line "1a", "1a;name=value" or "1a  ": its leading
// hexadecimal digits up to ";", a blank or the end. std::nullopt for a line
// with no digits there, anything else before the end of the size, or a size
// beyond 2^60.
std::optional<int64_t> ChunkSizeOf(std::string_view line);

// The Transfer-Encoding value names the chunked coding, in any letter case.
bool IsChunkedEncoding(std::string_view transfer_encoding);

}  // namespace vitrix
