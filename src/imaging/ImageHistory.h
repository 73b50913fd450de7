// The image history beside an accumulating underlay: up to nine older
// underlays numbered 1 (newest) to 9, kept in age order by last-write time.
#pragma once
#include <string>

namespace ombrix {

// Moves every image of the history one place down just before the caller
// writes a new underlay at `path` (folder + file name): the current one
// becomes number 1, ..., the one that would become 10 is deleted. Returns
// the size in bytes the current underlay had at the start (-1 when absent);
// underlays under 10000 bytes are never moved into the history. Reads
// Closing between steps; failures of single file operations are ignored.
long long ShiftImageHistory(const std::string& path);

}  // namespace ombrix
